#pragma once
// Touch dialog of the reference tax package: the operator enters one line per
// ICMS rate as printed on the Z reduction (rate and accumulated value); the
// tax code comes from the rate, the tax is computed. The figures are typed as
// on the entry screen: the keypad and the keys add at the end of the field,
// the numeric pad's decimal key types ",", Corrigir erases the last
// character, Esc goes back to the other field. Its layout is
// TaxLinesDialog.ui; object names of the widgets: rateEdit, valueEdit,
// key0..key9, key00, key000, keyComma, keyBackspace, addButton, removeButton,
// confirmButton, cancelButton, linesTable, headerLabel, statusLabel.
#include "AutomationDate.h"
#include <QDialog>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

class QLineEdit;

namespace Ui {
class TaxLinesDialog;
}

class TaxLinesDialog : public QDialog {
    Q_OBJECT
public:
    struct Line {
        QString code;       // CDIMPOSTO
        double rate;        // VRALIQIMPRZ, percent
        double base;        // VRBCALCIMPRZ
        double tax() const; // VRIMPOSTORZ: Trunc2(base * rate / 100)
    };
    // The tax code of a rate; empty when the rate is not registered.
    using CodeLookup = std::function<QString(double rate)>;

    struct Keys {
        QString cdFilial;
        QString cdCaixa;
        QString nrEcf;
        TDateTime dtReducao = 0;
        TDateTime dtUltRedZ = 0;
    };

    TaxLinesDialog(const Keys &keys, CodeLookup lookup, QWidget *parent = nullptr);
    ~TaxLinesDialog() override;

    // Starting lines: the list confirmed before, or the printer's totalisers.
    void setLines(const QList<Line> &lines);
    // Whether the database has any rate at all (ALIQIMPFIS): without one,
    // every line would be refused, and the dialog says so from the start.
    void setRatesRegistered(bool registered);
    static QString noRatesText();
    // The lines of a tax-line packet; nothing when it is no such packet.
    static std::optional<QList<Line>> linesOf(const QVariant &packet);
    const QList<Line> &lines() const { return m_lines; }

    // The data packet of the eight tax-line fields, one row per line; without
    // rows when `withRows` is false (a cancelled dialog).
    QVariant packet(bool withRows = true) const;

    // The frame colour of the back office's touch screens.
    static QColor frameColor() { return QColor(204, 91, 44); }
    // The header's date of the printer's last Z reduction: none when the
    // screen knows none (it passes no date, or its fixed 24/02/2012).
    static QString lastReductionText(TDateTime dtUltRedZ);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void connectButtons();
    void addLine();
    void removeLine();
    void typeKey(const QString &key);
    void backspace();
    void otherField();
    void setCurrent(QLineEdit *edit);
    void refreshTable();
    void showStatus(const QString &text, bool error);
    QLineEdit *currentEdit() const;
    bool eventFilter(QObject *watched, QEvent *event) override;

    std::unique_ptr<Ui::TaxLinesDialog> ui;
    Keys m_keys;
    CodeLookup m_lookup;
    QList<Line> m_lines;
    QLineEdit *m_current = nullptr;
    bool m_ratesRegistered = true;
};
