#include "ClientDataSet.h"
#include "DataPacketReader.h"
#include "DataPacketWriter.h"
#include "Exception.h"
#include "InputLimits.h"

#include <QSaveFile>

namespace {
using Row = std::vector<QVariant>;
} // namespace

// ---------------------------------------------------------------------------

struct ClientDataSet::Impl {
    ClientDataSet *q;
    std::vector<std::unique_ptr<Field>> persistent;
    std::vector<std::unique_ptr<Field>> extra; // fields of the loaded packet that were not declared
    std::vector<Field *> columns;              // persistent, then extra: the layout of every row
    std::vector<Row> rows;

    bool active = false;
    State state = State::Inactive;
    int pos = 0;
    bool bof = true;
    bool eof = true;
    Row buffer; // the row being inserted or edited
    int insertAt = 0;

    explicit Impl(ClientDataSet *owner) : q(owner) {}

    QString prefixed(const QString &message) const
    {
        return q->name().isEmpty() ? message : q->name() + QStringLiteral(": ") + message;
    }

    void requireActive() const
    {
        if (!active)
            throw EDataSetError(prefixed(QStringLiteral("Operação não permitida em um conjunto de dados fechado")));
    }

    bool editing() const { return active && (state == State::Insert || state == State::Edit); }

    // Leaving a row that is being inserted or edited posts it first.
    void checkBrowseMode()
    {
        requireActive();
        if (editing())
            q->post();
    }

    void rebuildColumns()
    {
        columns.clear();
        for (auto &f : persistent)
            columns.push_back(f.get());
        for (auto &f : extra)
            columns.push_back(f.get());
        for (size_t i = 0; i < columns.size(); ++i)
            columns[i]->m_column = int(i);
    }

    void resetCursor()
    {
        pos = 0;
        bof = true;
        eof = rows.empty();
    }

    const QVariant *current(int column) const
    {
        if (!active || column < 0 || size_t(column) >= columns.size())
            return nullptr;
        if (editing())
            return &buffer[size_t(column)];
        if (rows.empty())
            return nullptr;
        return &rows[size_t(pos)][size_t(column)];
    }

    Field *find(QStringView fieldName) const
    {
        for (Field *f : columns)
            if (f->fieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
                return f;
        return nullptr;
    }

    void load(const QVariant &packet);
    QByteArray write() const
    {
        std::vector<PacketField> fields;
        fields.reserve(columns.size());
        for (const Field *f : columns)
            fields.push_back({f->fieldName(), f->dataType(), f->size()});
        static const std::vector<Row> none;
        return DataPacketWriter::write(fields, active ? rows : none);
    }
};

void ClientDataSet::Impl::load(const QVariant &packet)
{
    DataPacket parsed = DataPacketReader::read(packet);

    // Declared fields take their packet column by name; the packet's other
    // fields follow them. Without declared fields the packet gives the layout.
    const std::vector<PacketField> &packetFields = parsed.fields;
    const size_t persistentCount = persistent.size();
    std::vector<int> target(packetFields.size(), -1); // column of each packet field in the new layout
    std::vector<std::unique_ptr<Field>> newExtra;
    for (size_t p = 0; p < persistentCount; ++p) {
        const Field &f = *persistent[p];
        size_t k = 0;
        while (k < packetFields.size() && packetFields[k].name.compare(f.fieldName(), Qt::CaseInsensitive) != 0)
            ++k;
        if (k == packetFields.size())
            throw EDataSetError(
                prefixed(QStringLiteral("Campo '%1' não encontrado no pacote de dados").arg(f.fieldName())));
        if (packetFields[k].type != f.dataType())
            throw EDataSetError(
                prefixed(QStringLiteral("Tipo incompatível no campo '%1': esperado %2, o pacote traz %3")
                             .arg(f.fieldName(), DataPacketText::typeName(f.dataType()),
                                  DataPacketText::typeName(packetFields[k].type))));
        target[k] = int(p);
    }
    for (size_t k = 0; k < packetFields.size(); ++k) {
        if (target[k] >= 0)
            continue;
        target[k] = int(persistentCount + newExtra.size());
        const PacketField &pf = packetFields[k];
        newExtra.push_back(std::make_unique<Field>(q, pf.name, pf.type, pf.size, QString(), true, q->name() + pf.name));
    }

    const size_t width = persistentCount + newExtra.size();
    std::vector<Row> newRows;
    newRows.reserve(parsed.rows.size());
    for (Row &values : parsed.rows) {
        Row row(width);
        for (size_t k = 0; k < values.size(); ++k)
            row[size_t(target[k])] = std::move(values[k]);
        newRows.push_back(std::move(row));
    }

    // Everything read: only now does the dataset let go of what it held.
    extra = std::move(newExtra);
    rows = std::move(newRows);
    buffer.clear();
    rebuildColumns();
    active = true;
    state = State::Browse;
    resetCursor();
}

// ---------------------------------------------------------------------------

Field::Field(ClientDataSet *owner, QString fieldName, FieldType type, int size, QString displayLabel, bool visible,
             QString componentName)
    : m_owner(owner), m_fieldName(std::move(fieldName)), m_type(type), m_size(size),
      m_displayLabel(std::move(displayLabel)), m_visible(visible), m_componentName(std::move(componentName))
{
}

bool Field::isNull() const
{
    return !value().isValid();
}

QVariant Field::value() const
{
    if (!m_owner)
        return {};
    const QVariant *v = m_owner->d->current(m_column);
    return v ? *v : QVariant();
}

void Field::setValue(const QVariant &value)
{
    if (!m_owner || !m_owner->d->editing())
        throw EDataSetError(m_owner ? m_owner->d->prefixed(QStringLiteral("Conjunto de dados não está em modo de "
                                                                          "inserção ou edição"))
                                    : QStringLiteral("Campo '%1' sem conjunto de dados").arg(m_fieldName));
    if (m_column < 0)
        throw EDataSetError(QStringLiteral("Campo '%1' não pertence à estrutura aberta").arg(m_fieldName));
    m_owner->d->buffer[size_t(m_column)] = FieldValue::coerce(m_type, m_size, value);
}

void Field::clear()
{
    setValue(QVariant());
}

QString Field::asString() const
{
    return FieldValue::asString(m_type, value());
}

double Field::asFloat() const
{
    return FieldValue::asFloat(m_type, value());
}

TDateTime Field::asDateTime() const
{
    return FieldValue::asDateTime(m_type, value());
}

void Field::setAsString(const QString &text)
{
    setValue(text);
}

void Field::setAsFloat(double value)
{
    setValue(value);
}

void Field::setAsDateTime(TDateTime value)
{
    setValue(FieldValue::fromDateTime(m_type, value));
}

// ---------------------------------------------------------------------------

ClientDataSet::ClientDataSet(QString name) : d(std::make_unique<Impl>(this)), m_name(std::move(name)) {}

ClientDataSet::~ClientDataSet() = default;

Field &ClientDataSet::addField(const QString &fieldName, FieldType type, int size, const QString &displayLabel,
                               bool visible, const QString &componentName)
{
    if (d->active)
        throw EDataSetError(d->prefixed(QStringLiteral("Não é possível incluir o campo '%1' com o conjunto de "
                                                       "dados aberto")
                                            .arg(fieldName)));
    if (fieldName.isEmpty() || d->find(fieldName))
        throw EDataSetError(d->prefixed(QStringLiteral("Nome de campo '%1' inválido ou repetido").arg(fieldName)));
    d->persistent.push_back(std::make_unique<Field>(this, fieldName, type, size, displayLabel, visible,
                                                    componentName.isEmpty() ? m_name + fieldName : componentName));
    d->rebuildColumns();
    return *d->persistent.back();
}

QList<Field *> ClientDataSet::fields() const
{
    return QList<Field *>(d->columns.begin(), d->columns.end());
}

Field &ClientDataSet::fieldByName(const QString &fieldName) const
{
    Field *f = d->find(fieldName);
    if (!f)
        throw EDataSetError(QStringLiteral("Campo '%1' não encontrado").arg(fieldName));
    return *f;
}

void ClientDataSet::createDataSet()
{
    if (d->persistent.empty())
        throw EDataSetError(d->prefixed(QStringLiteral("Não há campos definidos para criar o conjunto de dados")));
    d->extra.clear();
    d->rows.clear();
    d->buffer.clear();
    d->rebuildColumns();
    d->active = true;
    d->state = State::Browse;
    d->resetCursor();
}

void ClientDataSet::open()
{
    if (d->active)
        return;
    d->rows.clear();
    d->rebuildColumns();
    d->active = true;
    d->state = State::Browse;
    d->resetCursor();
}

void ClientDataSet::close()
{
    d->active = false;
    d->state = State::Inactive;
    d->rows.clear();
    d->buffer.clear();
    d->extra.clear();
    d->rebuildColumns();
    d->resetCursor();
}

bool ClientDataSet::active() const
{
    return d->active;
}

ClientDataSet::State ClientDataSet::state() const
{
    return d->active ? d->state : State::Inactive;
}

int ClientDataSet::recordCount() const
{
    return d->active ? int(d->rows.size()) : 0;
}

bool ClientDataSet::isEmpty() const
{
    return recordCount() == 0;
}

int ClientDataSet::recNo() const
{
    if (!d->active)
        return 0;
    if (d->state == State::Insert)
        return d->insertAt + 1;
    return d->rows.empty() ? 0 : d->pos + 1;
}

void ClientDataSet::first()
{
    d->checkBrowseMode();
    d->resetCursor();
}

void ClientDataSet::next()
{
    d->checkBrowseMode();
    if (d->eof)
        return;
    d->bof = false;
    if (size_t(d->pos) + 1 < d->rows.size())
        ++d->pos;
    else
        d->eof = true;
}

void ClientDataSet::prior()
{
    d->checkBrowseMode();
    if (d->bof)
        return;
    d->eof = false;
    if (d->pos > 0)
        --d->pos;
    else
        d->bof = true;
}

void ClientDataSet::last()
{
    d->checkBrowseMode();
    d->pos = d->rows.empty() ? 0 : int(d->rows.size()) - 1;
    d->eof = true;
    d->bof = d->rows.empty();
}

bool ClientDataSet::eof() const
{
    return !d->active || d->eof;
}

bool ClientDataSet::bof() const
{
    return !d->active || d->bof;
}

void ClientDataSet::insert()
{
    d->checkBrowseMode();
    d->buffer.assign(d->columns.size(), QVariant());
    d->insertAt = d->rows.empty() ? 0 : d->pos;
    d->state = State::Insert;
}

void ClientDataSet::append()
{
    d->checkBrowseMode();
    d->buffer.assign(d->columns.size(), QVariant());
    d->insertAt = int(d->rows.size());
    d->state = State::Insert;
}

void ClientDataSet::edit()
{
    d->requireActive();
    if (d->editing())
        return;
    if (d->rows.empty()) {
        insert();
        return;
    }
    d->buffer = d->rows[size_t(d->pos)];
    d->state = State::Edit;
}

void ClientDataSet::post()
{
    d->requireActive();
    if (!d->editing())
        return;
    if (beforePost)
        beforePost(*this); // may still change the row, or refuse it by raising
    if (d->state == State::Insert) {
        d->rows.insert(d->rows.begin() + d->insertAt, std::move(d->buffer));
        d->pos = d->insertAt;
    } else {
        d->rows[size_t(d->pos)] = std::move(d->buffer);
    }
    d->buffer.clear();
    d->state = State::Browse;
    d->bof = false;
    d->eof = false;
}

void ClientDataSet::cancel()
{
    if (!d->editing())
        return;
    d->buffer.clear();
    d->state = State::Browse;
    if (d->rows.empty())
        d->resetCursor();
}

QVariant ClientDataSet::data() const
{
    return d->write();
}

void ClientDataSet::setData(const QVariant &packet)
{
    d->load(packet);
}

void ClientDataSet::loadFromFile(const QString &path)
{
    // Local files of a few kilobytes: a device, a FIFO or a huge file is
    // refused before it can hold the call or fill the memory.
    QString refusal;
    const std::optional<QByteArray> bytes = InputLimits::readSmallFile(path, refusal);
    if (!bytes)
        throw EDataSetError(d->prefixed(QStringLiteral("Não foi possível ler o arquivo: %1").arg(refusal)));
    try {
        d->load(*bytes);
    } catch (const EDataSetError &e) {
        throw EDataSetError(QStringLiteral("Arquivo '%1': %2").arg(path, e.message()));
    }
}

void ClientDataSet::saveToFile(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(d->write()) < 0 || !file.commit())
        throw EDataSetError(
            d->prefixed(QStringLiteral("Não foi possível gravar o arquivo '%1': %2").arg(path, file.errorString())));
}
