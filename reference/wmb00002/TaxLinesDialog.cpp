#include "TaxLinesDialog.h"

#include "ClientDataSet.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "Shield.h"
#include "TBlendedBitBtn.h"
#include "TaxLines.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The touch screens' colours: grey keys, green confirmation, the frame
// colour for the way back.
const QColor Green(34, 221, 100);
const QColor Grey(128, 128, 128);
const QString FontFamily = QStringLiteral("Arial");

QString amountText(double value)
{
    QString text = QString::number(value, 'f', 2);
    text.replace(u'.', FormatSettings::decimalSeparator());
    return text;
}

TBlendedBitBtn *touchButton(QWidget *parent, const QString &objectName, const QString &caption, const QColor &face,
                            int pointSize = 16)
{
    auto *button = new TBlendedBitBtn(parent);
    button->setObjectName(objectName);
    button->setText(caption);
    button->setFaceColor(face);
    button->setCaptionColor(Qt::white);
    button->setPressedColor(face.darker(150));
    QFont font(FontFamily, pointSize, QFont::Bold);
    button->setFont(font);
    button->setMinimumSize(72, 52);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return button;
}

QLineEdit *entry(QWidget *parent, const QString &objectName, const QString &pattern)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setFont(QFont(FontFamily, 18, QFont::Bold));
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setMinimumHeight(44);
    // Digits and at most one comma, as on the Z reduction's printout.
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
    return edit;
}

// Keeps an error of the dialog's own work from crossing the event loop.
template <typename Work>
void guarded(QLabel *status, Work work)
{
    shield(work, [status](const QString &text) { status->setText(text); });
}

} // namespace

double TaxLinesDialog::Line::tax() const
{
    return TaxLines::tax(base, rate);
}

TaxLinesDialog::TaxLinesDialog(const Keys &keys, CodeLookup lookup, QWidget *parent)
    : QDialog(parent), m_keys(keys), m_lookup(std::move(lookup))
{
    setObjectName(QStringLiteral("TaxLinesDialog"));
    setWindowTitle(QStringLiteral("Impostos da Redução Z"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAutoFillBackground(true);
    QPalette face = palette();
    face.setColor(QPalette::Window, Qt::white);
    setPalette(face);
    setFont(QFont(FontFamily, 12));
    resize(680, 560);

    auto *title = new QLabel(QStringLiteral("Impostos da Redução Z"), this);
    title->setObjectName(QStringLiteral("titleLabel"));
    title->setFont(QFont(FontFamily, 18, QFont::Bold));
    title->setAlignment(Qt::AlignCenter);

    auto *header = new QLabel(QStringLiteral("Filial %1   Caixa %2   ECF %3   Redução %4   Última redução %5")
                                  .arg(keys.cdFilial, keys.cdCaixa, keys.nrEcf,
                                       FormatSettings::dateToStr(keys.dtReducao),
                                       FormatSettings::dateToStr(keys.dtUltRedZ)),
                              this);
    header->setObjectName(QStringLiteral("headerLabel"));

    m_table = new QTableWidget(0, 4, this);
    m_table->setObjectName(QStringLiteral("linesTable"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Código"), QStringLiteral("Alíquota (%)"),
                                        QStringLiteral("Valor Acumulado"), QStringLiteral("Imposto")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    m_rateEdit = entry(this, QStringLiteral("rateEdit"), QStringLiteral("^\\d{0,3}(,\\d{0,2})?$"));
    m_valueEdit = entry(this, QStringLiteral("valueEdit"), QStringLiteral("^\\d{0,12}(,\\d{0,2})?$"));
    m_current = m_rateEdit;
    m_rateEdit->installEventFilter(this);
    m_valueEdit->installEventFilter(this);

    auto *entries = new QGridLayout;
    auto *rateLabel = new QLabel(QStringLiteral("Alíquota (%)"), this);
    auto *valueLabel = new QLabel(QStringLiteral("Valor Acumulado"), this);
    rateLabel->setFont(QFont(FontFamily, 14, QFont::Bold));
    valueLabel->setFont(QFont(FontFamily, 14, QFont::Bold));
    entries->addWidget(rateLabel, 0, 0);
    entries->addWidget(m_rateEdit, 1, 0);
    entries->addWidget(valueLabel, 0, 1);
    entries->addWidget(m_valueEdit, 1, 1);
    entries->setColumnStretch(0, 1);
    entries->setColumnStretch(1, 2);

    // The entry screen's keypad: 1-2-3 on top, then 0, 00 and 000.
    auto *keypad = new QGridLayout;
    keypad->setSpacing(6);
    const QStringList captions{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),  QStringLiteral("4"),
                               QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),  QStringLiteral("8"),
                               QStringLiteral("9"), QStringLiteral("0"), QStringLiteral("00"), QStringLiteral("000")};
    for (int i = 0; i < captions.size(); ++i) {
        const QString text = captions.at(i);
        auto *key = touchButton(this, QStringLiteral("key") + text, text, Grey, 20);
        connect(key, &QAbstractButton::clicked, this, [this, text] { guarded(m_status, [&] { typeKey(text); }); });
        keypad->addWidget(key, i / 3, i % 3);
    }
    auto *comma = touchButton(this, QStringLiteral("keyComma"), QStringLiteral(","), Grey, 20);
    connect(comma, &QAbstractButton::clicked, this,
            [this] { guarded(m_status, [&] { typeKey(QStringLiteral(",")); }); });
    auto *back = touchButton(this, QStringLiteral("keyBackspace"), QStringLiteral("Corrigir"), Grey, 14);
    connect(back, &QAbstractButton::clicked, this, [this] { guarded(m_status, [&] { backspace(); }); });
    keypad->addWidget(comma, 4, 0);
    keypad->addWidget(back, 4, 1, 1, 2);

    auto *add = touchButton(this, QStringLiteral("addButton"), QStringLiteral("&Incluir"), Grey);
    auto *remove = touchButton(this, QStringLiteral("removeButton"), QStringLiteral("&Excluir"), Grey);
    auto *cancel = touchButton(this, QStringLiteral("cancelButton"), QStringLiteral("&Cancelar"), frameColor());
    auto *confirm = touchButton(this, QStringLiteral("confirmButton"), QStringLiteral("C&onfirmar"), Green);
    connect(add, &QAbstractButton::clicked, this, [this] { guarded(m_status, [&] { addLine(); }); });
    connect(remove, &QAbstractButton::clicked, this, [this] { guarded(m_status, [&] { removeLine(); }); });
    connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(confirm, &QAbstractButton::clicked, this, &QDialog::accept);
    // Enter on the rate goes to the value; Enter on the value includes the line.
    connect(m_rateEdit, &QLineEdit::returnPressed, this, [this] {
        m_valueEdit->setFocus();
        m_current = m_valueEdit;
    });
    connect(m_valueEdit, &QLineEdit::returnPressed, this, [this] { guarded(m_status, [&] { addLine(); }); });

    auto *actions = new QVBoxLayout;
    actions->addWidget(add);
    actions->addWidget(remove);
    actions->addStretch();
    actions->addWidget(cancel);
    actions->addWidget(confirm);

    auto *lower = new QHBoxLayout;
    lower->addLayout(keypad, 3);
    lower->addLayout(actions, 2);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setMinimumHeight(24);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(title);
    layout->addWidget(header);
    layout->addWidget(m_table, 2);
    layout->addLayout(entries);
    layout->addLayout(lower, 3);
    layout->addWidget(m_status);

    m_rateEdit->setFocus();
}

void TaxLinesDialog::setLines(const QList<Line> &lines)
{
    m_lines = lines;
    refreshTable();
}

QVariant TaxLinesDialog::packet(bool withRows) const
{
    ClientDataSet list(QStringLiteral("cdsImpRedZ"));
    const TaxLines::Fields fields = TaxLines::addFields(list);
    list.createDataSet();
    if (withRows) {
        for (const Line &line : m_lines) {
            list.append();
            fields.CDFILIAL->setAsString(m_keys.cdFilial);
            fields.CDCAIXA->setAsString(m_keys.cdCaixa);
            fields.NRECFREDZ->setAsString(m_keys.nrEcf);
            fields.DTREDUCAOZ->setAsDateTime(m_keys.dtReducao);
            fields.CDIMPOSTO->setAsString(line.code);
            fields.VRALIQIMPRZ->setAsFloat(line.rate);
            fields.VRBCALCIMPRZ->setAsFloat(line.base);
            fields.VRIMPOSTORZ->setAsFloat(line.tax());
            list.post();
        }
    }
    return list.data();
}

std::optional<QList<TaxLinesDialog::Line>> TaxLinesDialog::linesOf(const QVariant &packet)
{
    if (!packet.isValid() || packet.isNull())
        return std::nullopt;
    try {
        // A packet without the eight fields is refused by the load.
        ClientDataSet list(QStringLiteral("cdsImpRedZ"));
        const TaxLines::Fields fields = TaxLines::addFields(list);
        list.setData(packet);
        QList<Line> lines;
        for (list.first(); !list.eof(); list.next())
            lines.append({fields.CDIMPOSTO->asString(), fields.VRALIQIMPRZ->asFloat(), fields.VRBCALCIMPRZ->asFloat()});
        return lines;
    } catch (const Exception &) {
        return std::nullopt;
    }
}

void TaxLinesDialog::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(QPen(frameColor(), 4));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(2, 2, -2, -2));
}

void TaxLinesDialog::addLine()
{
    const QString rateText = m_rateEdit->text().trimmed();
    const QString valueText = m_valueEdit->text().trimmed();
    if (rateText.isEmpty()) {
        showStatus(QStringLiteral("Informe a alíquota."), true);
        m_rateEdit->setFocus();
        m_current = m_rateEdit;
        return;
    }
    if (valueText.isEmpty()) {
        showStatus(QStringLiteral("Informe o valor acumulado."), true);
        m_valueEdit->setFocus();
        m_current = m_valueEdit;
        return;
    }
    const double rate = FormatSettings::strToFloat(rateText);
    const double base = FormatSettings::strToFloat(valueText);
    const QString code = m_lookup ? m_lookup(rate) : QString();
    if (code.trimmed().isEmpty()) {
        showStatus(QStringLiteral("Alíquota %1% não cadastrada.").arg(amountText(rate)), true);
        return;
    }

    // One line per rate: a rate entered again replaces its line.
    bool replaced = false;
    for (Line &line : m_lines) {
        if (line.rate == rate) {
            line.code = code.trimmed();
            line.base = base;
            replaced = true;
        }
    }
    if (!replaced)
        m_lines.append({code.trimmed(), rate, base});
    refreshTable();
    showStatus(replaced ? QStringLiteral("Alíquota %1% substituída.").arg(amountText(rate))
                        : QStringLiteral("Alíquota %1% incluída.").arg(amountText(rate)),
               false);
    m_rateEdit->clear();
    m_valueEdit->clear();
    m_rateEdit->setFocus();
    m_current = m_rateEdit;
}

void TaxLinesDialog::removeLine()
{
    // Only the line the operator chose goes; after it, none is chosen, so a
    // second press never takes the next line with it.
    const QList<QTableWidgetItem *> chosen = m_table->selectedItems();
    const int row = chosen.isEmpty() ? -1 : chosen.first()->row();
    if (row < 0 || row >= m_lines.size()) {
        showStatus(QStringLiteral("Escolha a linha a excluir."), true);
        return;
    }
    m_lines.removeAt(row);
    refreshTable();
    showStatus(QStringLiteral("Linha excluída."), false);
}

void TaxLinesDialog::typeKey(const QString &key)
{
    currentEdit()->insert(key);
}

void TaxLinesDialog::backspace()
{
    currentEdit()->backspace();
}

void TaxLinesDialog::refreshTable()
{
    m_table->clearSelection();
    m_table->setCurrentCell(-1, -1);
    m_table->setRowCount(int(m_lines.size()));
    for (int row = 0; row < m_lines.size(); ++row) {
        const Line &line = m_lines.at(row);
        const QStringList cells{line.code, amountText(line.rate), amountText(line.base), amountText(line.tax())};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells.at(column));
            item->setTextAlignment(column == 0 ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(row, column, item);
        }
    }
}

void TaxLinesDialog::showStatus(const QString &text, bool error)
{
    m_status->setStyleSheet(error ? QStringLiteral("color: rgb(200,0,0);") : QStringLiteral("color: black;"));
    m_status->setText(text);
}

QLineEdit *TaxLinesDialog::currentEdit() const
{
    return m_current ? m_current : m_rateEdit;
}

bool TaxLinesDialog::eventFilter(QObject *watched, QEvent *event)
{
    // The keypad takes no focus, so it types into the field that had it last.
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_rateEdit)
            m_current = m_rateEdit;
        else if (watched == m_valueEdit)
            m_current = m_valueEdit;
    }
    return QDialog::eventFilter(watched, event);
}
