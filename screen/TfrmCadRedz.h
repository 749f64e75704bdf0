#pragma once
// The Z-reduction entry screen: thirteen figures typed on a keypad into value
// labels, a tax button and the confirmation. Its components, their places,
// fonts, colours, captions and Tags come from TfrmCadRedz.ui.
#include "AutomationDate.h"
#include "Cat52Record.h"
#include "ClientDataSet.h"
#include "DayRefusal.h"
#include "KeyTranslation.h"
#include "ReductionFigures.h"
#include "Result.h"
#include "ServerResult.h"
#include "SharedServices.h"
#include "TMessages.h"
#include <QDialog>
#include <QString>
#include <QVariant>
#include <array>
#include <memory>

class QLabel;
class TBlendedBitBtn;

namespace Ui {
class TfrmCadRedz;
}
namespace TaxLines {
struct Fields;
}

// What becomes of the form when it closes: it stays, or it is hidden (the
// entry operation releases it).
enum TCloseAction { caNone, caHide };

class TfrmCadRedz : public QDialog {
    Q_OBJECT
public:
    // Built from the stored layout; the create event (FormCreate) runs last.
    explicit TfrmCadRedz(QWidget *owner = nullptr);
    ~TfrmCadRedz() override;

    // Non-visual components. The widgets of the stored layout are the form's
    // own: others find them by object name.
    TMessages *msgPadrao;
    ClientDataSet cdsParametrosKiv{QStringLiteral("cdsParametrosKiv")};
    ClientDataSet cdsKiv{QStringLiteral("cdsKiv")};
    ClientDataSet cdsTotalizadorParciaisTributados{QStringLiteral("cdsTotalizadorParciaisTributados")};
    ClientDataSet cdsImpRedZ{QStringLiteral("cdsImpRedZ")};
    Field *cdsImpRedZCDFILIAL;
    Field *cdsImpRedZCDCAIXA;
    Field *cdsImpRedZNRECFREDZ;
    Field *cdsImpRedZDTREDUCAOZ;
    Field *cdsImpRedZCDIMPOSTO;
    Field *cdsImpRedZVRALIQIMPRZ;
    Field *cdsImpRedZVRBCALCIMPRZ;
    Field *cdsImpRedZVRIMPOSTORZ;

    // Opening: done, or why the screen does not open; no reason when the
    // operator has been told already.
    Result<NoValue> InicializaForm(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                                   const QString &NrSerieEcf, TDateTime DtReducao, bool Automatico);
    void FormCreate(QObject *Sender);
    void FormActivate(QObject *Sender);
    void FormClose(QObject *Sender, TCloseAction &Action);

    // Field entry.
    void mudaCor();
    void BloqueiaDesbloqueia(const QString &Valor);
    void postaTexto(int Campo, const QString &Texto, bool Apaga);
    void FormKeyDown(QObject *Sender, quint16 &Key, TShiftState Shift);
    void FormKeyPress(QObject *Sender, char &Key);
    void sbt1Click(QObject *Sender);
    void sbtEnterClick(QObject *Sender);
    void sbtVoltarClick(QObject *Sender);
    void sbtCorrigirClick(QObject *Sender);

    // Tax lines and confirmation.
    void sbtICMSClick(QObject *Sender);
    void cdsImpRedZBeforePost(ClientDataSet &DataSet);
    void sbtConfClick(QObject *Sender);

    // Every time it is shown, the screen stands centred on its screen.
    void setVisible(bool visible) override;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

public slots:
    // The screen ends only through its confirmation: Esc (which a dialog takes
    // for a cancel) and a window manager's close request leave it open.
    void reject() override;

private:
    friend struct TfrmCadRedzProbe; // the screen's own tests

    // The widgets, built from the stored layout.
    std::unique_ptr<Ui::TfrmCadRedz> ui;

    // The one way out of the screen: closes it as the confirmation does.
    void Close();
    // A stored day refused, raising with the line the host reads; when the
    // rerun made its missing CAT-52 file, the line is shown with its own
    // kind and the call ends silently.
    void recusaDiaGravado(const DayRefusal::Day &dia);
    // Tail of the opening for printers that report their last Z reduction:
    // fills and locks the fields with the printer's figures of the day.
    void PreencheDadosImpressora(bool Automatico);
    // Automatic mode with the day's figures: the confirmation, unseen.
    void confirmaSozinho();
    // The confirmation's steps: every field filled; the tax list; the
    // printer's model text; the save, its notice and the CAT-52 stage. The
    // first two end the confirmation early (false) with the screen open,
    // unless they fail for good.
    bool confereCampos();
    bool montaImpostos();
    // Every figure as a fiscal file can carry it: the thirteen fields and
    // the printer's totalisers before the tax list is built, the tax
    // package's lines after; a figure that fails ends the confirmation.
    bool confereFiguras();
    bool confereImpostos();
    // A typed day against the rules of a Z reduction: a zero counter is
    // refused with its field; sums that do not add up are shown, and stored
    // only when the same figures are confirmed again.
    bool confereSomas();
    // A figure refused: on a locked screen a failed save; on a typed one the
    // line is shown and the field (1 to 13, 0 for a tax line) made current.
    bool recusaFigura(int campo, const QString &linha);
    // The confirmation stops with the screen open: the line is shown, or, on
    // a press that repeats the one before, kept for the way-out question.
    void recusa(const QString &texto, TTipoMsg tipo);
    // The operator answered Sim to leaving: a failed save, nothing stored.
    void saiSemGravar(const QString &motivo);
    QString modeloDaImpressora();
    void abreForm(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf, const QString &NrSerieEcf,
                  TDateTime DtReducao, bool Automatico);
    void gravaReducao(const QString &modeloMarca);
    Srv_kal02700::ServerResult<Srv_kal02700::Done> chamaSetRedZ(const QString &modeloMarca);
    // A field's figure, and the day shown; an error names the field by its caption.
    double valorDoCampo(int campo) const;
    TDateTime dataDaReducao() const;
    // The text that names this save for MensagemMetodo.
    QString chaveDoDia() const;
    // What the day's CAT-52 file must carry: the figures just stored.
    Cat52DayFigures figurasGravadas() const;

    // A message of msgPadrao, or a text of its own, through the shared services.
    void mensagem(const QString &chave, TTipoMsg tipo);
    void mostra(const QString &texto, TTipoMsg tipo);
    // After a good save: the day's CAT-52 file, when the printer type calls for it.
    void geraArquivosCat52();
    // The stored day's file was not stored, or does not agree with the day.
    void avisoCat52(const QString &linha);
    // A save that cannot be made: "DAD_N_GRAV" and on its next line the
    // cause, and the screen closes with nothing stored.
    void naoGravado(const QString &causa);
    // A key as the two keyboard events see it: key-down first, then the
    // character it types, unless key-down swallowed it.
    void trataTecla(QKeyEvent *event);
    // A tap on a field's caption or value: that field becomes current.
    void tocaCampo(int campo);
    // The field (1 to 13) whose caption or value label this is; 0 for any other.
    int campoDoRotulo(const QObject *rotulo) const;
    void conectaEventos();
    // The eight fields of cdsImpRedZ together.
    TaxLines::Fields camposImpostos() const;

    // The keypad's buttons: the twelve that type, Enter, the comma, Corrigir
    // and the way back, in the order the lock goes through them.
    std::array<TBlendedBitBtn *, 16> teclado() const;
    // The caption labels of the thirteen fields, in field order.
    std::array<QLabel *, ReductionFigures::Count> cabecalhosCampos() const;
    // The value labels of the thirteen fields, in field order.
    std::array<QLabel *, ReductionFigures::Count> valoresCampos() const;
    // Their captions (blanks folded) and texts, in field order.
    QStringList nomesCampos() const;
    QStringList textosCampos() const;

    QString FCdFilial;
    QString FCdCaixa;
    QString FNrEcf;
    QString FNrSerieEcf;
    TDateTime FDtReducao = 0;
    QString FIdEsquema;
    QString FIdTipoImpFis;
    QString FIdGeraArqVndrio;
    int FCampoAtual = 0;
    QVariant FDadosImpostos;

    // The error of the last press on the tax button, empty once it worked.
    QString m_erroImpostos;
    // The last confirmation stopped with the screen open, and nothing was
    // typed nor the tax button pressed since; while a press repeats it, its
    // line is kept for the question instead of shown.
    bool m_paradaAnterior = false;
    bool m_retendo = false;
    QString m_retido;
    // Why the printer did not fill the screen: shown once it is up, before
    // anything is typed.
    QString m_avisoAbertura;
    // The figures whose sums the operator was shown, confirmed again as read.
    QString m_somasConfirmadas;
    bool m_fechamentoPermitido = false;
    bool m_voltaDeDialogo = false;
};
