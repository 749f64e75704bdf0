#include "TaxLinesDialog.h"

#include "ClientDataSet.h"
#include "Exception.h"
#include "FigureCheck.h"
#include "FormatSettings.h"
#include "Shield.h"
#include "TBlendedBitBtn.h"
#include "TaxLines.h"
#include "ui_TaxLinesDialog.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QTableWidget>

namespace {

const QString FontFamily = QStringLiteral("Arial");
// The lines the list shows at least, before it scrolls.
constexpr int VisibleLines = 5;

QString amountText(double value)
{
    QString text = QString::number(value, 'f', 2);
    text.replace(u'.', FormatSettings::decimalSeparator());
    return text;
}

// An amount of `digits` digits, two of them decimals, typed with a comma.
QRegularExpression amountPattern(int digits)
{
    return QRegularExpression(QStringLiteral("^\\d{0,%1}(,\\d{0,2})?$").arg(digits - 2));
}

// Keeps an error of the dialog's own work from crossing the event loop.
template <typename Work>
void guarded(QLabel *status, Work work)
{
    shield(work, [status](const QString &text) { status->setText(text); });
}

// The numeric pad's decimal key: a point or a comma with NumLock on, Delete
// with it off.
bool isPadDecimal(const QKeyEvent *event)
{
    const int key = event->key();
    return event->modifiers().testFlag(Qt::KeypadModifier)
           && (key == Qt::Key_Period || key == Qt::Key_Comma || key == Qt::Key_Delete);
}

} // namespace

double TaxLinesDialog::Line::tax() const
{
    return TaxLines::tax(base, rate);
}

TaxLinesDialog::TaxLinesDialog(const Keys &keys, CodeLookup lookup, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TaxLinesDialog>()), m_keys(keys), m_lookup(std::move(lookup))
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    QPalette face = palette();
    face.setColor(QPalette::Window, Qt::white);
    setPalette(face);

    QString header = QStringLiteral("Filial %1   Caixa %2   ECF %3   Redução %4")
                         .arg(keys.cdFilial, keys.cdCaixa, keys.nrEcf, FormatSettings::dateToStr(keys.dtReducao));
    if (const QString last = lastReductionText(keys.dtUltRedZ); !last.isEmpty())
        header += QStringLiteral("   Última redução ") + last;
    ui->headerLabel->setText(header);

    // Five lines at least in sight; more scroll, with a bar a finger can take.
    QTableWidget *table = ui->linesTable;
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->setMinimumHeight(table->horizontalHeader()->sizeHint().height()
                            + VisibleLines * table->verticalHeader()->defaultSectionSize() + 2 * table->frameWidth());

    // Digits and at most one comma, as on the Z reduction's printout, and no
    // more of them than a fiscal file carries: what the screen's own
    // confirmation would refuse is not typed here.
    ui->rateEdit->setValidator(new QRegularExpressionValidator(amountPattern(FigureCheck::RateDigits), ui->rateEdit));
    ui->valueEdit->setValidator(
        new QRegularExpressionValidator(amountPattern(FigureCheck::TotaliserDigits), ui->valueEdit));
    ui->rateEdit->installEventFilter(this);
    ui->valueEdit->installEventFilter(this);
    m_current = ui->rateEdit;

    for (TBlendedBitBtn *button : findChildren<TBlendedBitBtn *>())
        button->setPressedColor(button->faceColor().darker(150));
    connectButtons();
    ui->rateEdit->setFocus();
}

TaxLinesDialog::~TaxLinesDialog() = default;

void TaxLinesDialog::connectButtons()
{
    QLabel *status = ui->statusLabel;
    for (TBlendedBitBtn *key : {ui->key0, ui->key1, ui->key2, ui->key3, ui->key4, ui->key5, ui->key6, ui->key7,
                                ui->key8, ui->key9, ui->key00, ui->key000, ui->keyComma})
        connect(key, &QAbstractButton::clicked, this,
                [this, key, status] { guarded(status, [&] { typeKey(key->text()); }); });
    connect(ui->keyBackspace, &QAbstractButton::clicked, this,
            [this, status] { guarded(status, [&] { backspace(); }); });
    connect(ui->addButton, &QAbstractButton::clicked, this, [this, status] { guarded(status, [&] { addLine(); }); });
    connect(ui->removeButton, &QAbstractButton::clicked, this,
            [this, status] { guarded(status, [&] { removeLine(); }); });
    connect(ui->cancelButton, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(ui->confirmButton, &QAbstractButton::clicked, this, &QDialog::accept);
    // Enter on the rate goes to the value; Enter on the value includes the line.
    connect(ui->rateEdit, &QLineEdit::returnPressed, this, [this] { setCurrent(ui->valueEdit); });
    connect(ui->valueEdit, &QLineEdit::returnPressed, this, [this, status] { guarded(status, [&] { addLine(); }); });
}

QString TaxLinesDialog::lastReductionText(TDateTime dtUltRedZ)
{
    const QDate day = AutomationDate::toDate(dtUltRedZ);
    if (dtUltRedZ == 0 || day == QDate(2012, 2, 24))
        return QString();
    return FormatSettings::dateToStr(dtUltRedZ);
}

void TaxLinesDialog::setLines(const QList<Line> &lines)
{
    m_lines = lines;
    refreshTable();
}

void TaxLinesDialog::setRatesRegistered(bool registered)
{
    m_ratesRegistered = registered;
    if (!registered)
        showStatus(noRatesText(), true);
}

QString TaxLinesDialog::noRatesText()
{
    return QStringLiteral(
        "Nenhuma alíquota cadastrada (ALIQIMPFIS): cadastre as alíquotas antes de informar os impostos.");
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
    const QString rateText = ui->rateEdit->text().trimmed();
    const QString valueText = ui->valueEdit->text().trimmed();
    if (rateText.isEmpty()) {
        showStatus(QStringLiteral("Informe a alíquota."), true);
        setCurrent(ui->rateEdit);
        return;
    }
    if (valueText.isEmpty()) {
        showStatus(QStringLiteral("Informe o valor acumulado."), true);
        setCurrent(ui->valueEdit);
        return;
    }
    if (!m_ratesRegistered) {
        showStatus(noRatesText(), true);
        return;
    }
    // Whatever reached the fields, the widths the screen's confirmation keeps.
    for (const QString &refused :
         {FigureCheck::amount(QStringLiteral("Alíquota"), rateText, FigureCheck::RateDigits),
          FigureCheck::amount(QStringLiteral("Valor acumulado"), valueText, FigureCheck::TotaliserDigits)})
        if (!refused.isEmpty()) {
            showStatus(refused, true);
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
    ui->rateEdit->clear();
    ui->valueEdit->clear();
    setCurrent(ui->rateEdit);
}

void TaxLinesDialog::removeLine()
{
    // Only the line the operator chose goes; after it, none is chosen, so a
    // second press never takes the next line with it.
    const QList<QTableWidgetItem *> chosen = ui->linesTable->selectedItems();
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
    // Added at the end of the field whatever the text cursor, as on the entry screen.
    QLineEdit *edit = currentEdit();
    edit->end(false);
    edit->insert(key);
}

void TaxLinesDialog::backspace()
{
    QLineEdit *edit = currentEdit();
    edit->end(false);
    edit->backspace();
}

void TaxLinesDialog::otherField()
{
    setCurrent(currentEdit() == ui->rateEdit ? ui->valueEdit : ui->rateEdit);
}

void TaxLinesDialog::setCurrent(QLineEdit *edit)
{
    m_current = edit;
    edit->setFocus();
}

void TaxLinesDialog::refreshTable()
{
    ui->linesTable->clearSelection();
    ui->linesTable->setCurrentCell(-1, -1);
    ui->linesTable->setRowCount(int(m_lines.size()));
    for (int row = 0; row < m_lines.size(); ++row) {
        const Line &line = m_lines.at(row);
        const QStringList cells{line.code, amountText(line.rate), amountText(line.base), amountText(line.tax())};
        for (int column = 0; column < cells.size(); ++column) {
            auto *item = new QTableWidgetItem(cells.at(column));
            item->setTextAlignment(column == 0 ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter);
            ui->linesTable->setItem(row, column, item);
        }
    }
}

void TaxLinesDialog::showStatus(const QString &text, bool error)
{
    ui->statusLabel->setStyleSheet(error ? QStringLiteral("color: rgb(200,0,0);") : QStringLiteral("color: black;"));
    ui->statusLabel->setText(text);
}

QLineEdit *TaxLinesDialog::currentEdit() const
{
    return m_current ? m_current : ui->rateEdit;
}

void TaxLinesDialog::keyPressEvent(QKeyEvent *event)
{
    // Esc goes back a field, as on the entry screen: the dialog and its lines
    // are left only by Cancelar or Confirmar.
    if (event->key() == Qt::Key_Escape) {
        guarded(ui->statusLabel, [&] { otherField(); });
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TaxLinesDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && isPadDecimal(static_cast<QKeyEvent *>(event))) {
        guarded(ui->statusLabel, [&] { typeKey(QStringLiteral(",")); });
        return true;
    }
    // The keypad takes no focus, so it types into the field that had it last.
    if (event->type() == QEvent::FocusIn) {
        if (watched == ui->rateEdit)
            m_current = ui->rateEdit;
        else if (watched == ui->valueEdit)
            m_current = ui->valueEdit;
    }
    return QDialog::eventFilter(watched, event);
}
