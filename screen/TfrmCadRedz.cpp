#include "TfrmCadRedz.h"
#include "Cat52Stage.h"
#include "Cli_kal02700.h"
#include "DayChecks.h"
#include "DayRefusal.h"
#include "ExitQuestion.h"
#include "Exception.h"
#include "FieldEntry.h"
#include "FormatSettings.h"
#include "LocalParameters.h"
#include "PrinterPrefill.h"
#include "PrinterTaxList.h"
#include "PrinterTypes.h"
#include "ReductionRules.h"
#include "ScreenSupport.h"
#include "Shield.h"
#include "SharedServices.h"
#include "Srv_kal02700.h"
#include "TaxEntry.h"
#include "TaxLines.h"
#include "ui_TfrmCadRedz.h"
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>

using namespace Cli_kal02700;

TfrmCadRedz::TfrmCadRedz(QWidget *owner) : QDialog(owner), ui(std::make_unique<Ui::TfrmCadRedz>())
{
    ui->setupUi(this);
    // No title bar and no border icons: the screen is left only by confirming.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);

    msgPadrao = new TMessages(this);
    msgPadrao->setObjectName(QStringLiteral("msgPadrao"));
    msgPadrao->setMessages({
        QStringLiteral("CAMP_N_INF|Todos os campos devem ser informados."),
        QStringLiteral("ICMS_N_INF|ICMS não informado. Favor entrar ICMS."),
        QStringLiteral("DAD_N_GRAV|Os dados não foram gravados no sistema."),
        QStringLiteral("DAD_GRAV|Dados gravados corretamente."),
        QStringLiteral("ECF_N_INF|ECF não informado."),
        QStringLiteral("GERA_ARQUIVOS|Gerando arquivos referentes a Cat-52..."),
    });

    const TaxLines::Fields campos = TaxLines::addFields(cdsImpRedZ);
    cdsImpRedZCDFILIAL = campos.CDFILIAL;
    cdsImpRedZCDCAIXA = campos.CDCAIXA;
    cdsImpRedZNRECFREDZ = campos.NRECFREDZ;
    cdsImpRedZDTREDUCAOZ = campos.DTREDUCAOZ;
    cdsImpRedZCDIMPOSTO = campos.CDIMPOSTO;
    cdsImpRedZVRALIQIMPRZ = campos.VRALIQIMPRZ;
    cdsImpRedZVRBCALCIMPRZ = campos.VRBCALCIMPRZ;
    cdsImpRedZVRIMPOSTORZ = campos.VRIMPOSTORZ;
    cdsImpRedZ.beforePost = [this](ClientDataSet &dataSet) { cdsImpRedZBeforePost(dataSet); };

    // Key preview: whichever control the keyboard reaches, the form sees the
    // key first, and none of its controls needs one after it.
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);

    conectaEventos();
    guarded([this] { FormCreate(this); });
}

TfrmCadRedz::~TfrmCadRedz() = default;

void TfrmCadRedz::conectaEventos()
{
    for (TBlendedBitBtn *tecla : teclado()) {
        if (tecla == ui->sbtEnter)
            connect(tecla, &QAbstractButton::clicked, this,
                    [this] { guarded([this] { sbtEnterClick(ui->sbtEnter); }); });
        else if (tecla == ui->sbtVoltar)
            connect(tecla, &QAbstractButton::clicked, this,
                    [this] { guarded([this] { sbtVoltarClick(ui->sbtVoltar); }); });
        else if (tecla == ui->sbtCorrigir)
            connect(tecla, &QAbstractButton::clicked, this,
                    [this] { guarded([this] { sbtCorrigirClick(ui->sbtCorrigir); }); });
        else
            connect(tecla, &QAbstractButton::clicked, this, [this, tecla] { guarded([&] { sbt1Click(tecla); }); });
    }
    connect(ui->sbtICMS, &QAbstractButton::clicked, this, [this] { guarded([this] { sbtICMSClick(ui->sbtICMS); }); });
    connect(ui->sbtConf, &QAbstractButton::clicked, this, [this] { guarded([this] { sbtConfClick(ui->sbtConf); }); });
}

std::array<TBlendedBitBtn *, 16> TfrmCadRedz::teclado() const
{
    return {ui->sbt1, ui->sbt2, ui->sbt3,  ui->sbt4,   ui->sbt5,     ui->sbt6,       ui->sbt7,        ui->sbt8,
            ui->sbt9, ui->sbt0, ui->sbt00, ui->sbt000, ui->sbtEnter, ui->sbtVirgula, ui->sbtCorrigir, ui->sbtVoltar};
}

TaxLines::Fields TfrmCadRedz::camposImpostos() const
{
    return {cdsImpRedZCDFILIAL,  cdsImpRedZCDCAIXA,     cdsImpRedZNRECFREDZ,    cdsImpRedZDTREDUCAOZ,
            cdsImpRedZCDIMPOSTO, cdsImpRedZVRALIQIMPRZ, cdsImpRedZVRBCALCIMPRZ, cdsImpRedZVRIMPOSTORZ};
}

std::array<QLabel *, ReductionFigures::Count> TfrmCadRedz::cabecalhosCampos() const
{
    return {ui->lblCabContRed,   ui->lblCabContRei,    ui->lblCabNrCupIni, ui->lblCabNrCupFin,  ui->lblCabSubTrib,
            ui->lblCabIsentICMS, ui->lblCabNIncidICMS, ui->lblCabTotGer,   ui->lblCabVendBrutD, ui->lblCabCancICMS,
            ui->lblCabDescICMS,  ui->lblCabVendLiq,    ui->lblCabAcresICMS};
}

std::array<QLabel *, ReductionFigures::Count> TfrmCadRedz::valoresCampos() const
{
    return {ui->lblContRedZ,  ui->lblContRei,    ui->lblNRCupIni, ui->lblNrCupFin,  ui->lblSubTrib,
            ui->lblIsentICMS, ui->lblNIncidICMS, ui->lblTotGer,   ui->lblVendBrutD, ui->lblCancICMS,
            ui->lblDescICMS,  ui->lblVendLiq,    ui->lblACresICMS};
}

QStringList TfrmCadRedz::nomesCampos() const
{
    QStringList nomes;
    for (const QLabel *cabecalho : cabecalhosCampos())
        nomes << cabecalho->text().simplified();
    return nomes;
}

QStringList TfrmCadRedz::textosCampos() const
{
    QStringList textos;
    for (const QLabel *valor : valoresCampos())
        textos << valor->text();
    return textos;
}

// ------------------------------------------------------------------ opening

Result<NoValue> TfrmCadRedz::InicializaForm(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                                            const QString &NrSerieEcf, TDateTime DtReducao, bool Automatico)
{
    // The silent abort leaves no reason: the operator has been told.
    QString motivo;
    const bool aberta = shield([&] { abreForm(CdFilial, CdCaixa, NrEcf, NrSerieEcf, DtReducao, Automatico); },
                               [&](const QString &texto) { motivo = texto; });
    return aberta ? Result<NoValue>::of(NoValue{}) : Result<NoValue>::failure(motivo);
}

void TfrmCadRedz::abreForm(const QString &CdFilial, const QString &CdCaixa, const QString &NrEcf,
                           const QString &NrSerieEcf, TDateTime DtReducao, bool Automatico)
{
    // Each set-up decides the lock anew; an earlier call's state means nothing here.
    boDadosUltima = false;
    FDtReducao = DtReducao;
    FNrEcf = NrEcf;
    FNrSerieEcf = NrSerieEcf;
    FCdFilial = CdFilial;
    FCdCaixa = CdCaixa;

    // One data module per process, kept connected for the server methods.
    if (!Srv_kal02700::rdmCadRedz)
        Srv_kal02700::rdmCadRedz = new Srv_kal02700::TrdmCadRedz(nullptr);
    Srv_kal02700::rdmCadRedz->adcCadRedz.setConnected(true);
    const DayRefusal::Day dia{FCdFilial, FCdCaixa, FNrEcf, FNrSerieEcf, FDtReducao};
    const Result<bool> gravado = DayRefusal::isStored(dia);
    const bool diaGravado = gravado ? gravado.value() : throw Exception(gravado.error());

    // Without the parameter file the schema and the CAT-52 flag simply stay empty.
    const Result<LocalParameters::Values> lidos = LocalParameters::load(parametersDir(), cdsParametrosKiv, cdsKiv);
    const LocalParameters::Values locais = lidos ? lidos.value() : throw Exception(lidos.error());
    FIdEsquema = locais.idEsquema;
    FIdGeraArqVndrio = locais.idGeraArqVndrio;
    FIdTipoImpFis = locais.idTipoImpFis;

    // A stored day is refused once the local files tell whether its CAT-52
    // file is due: a run cut short after its commit left it without one.
    if (diaGravado)
        recusaDiaGravado(dia);

    ui->lblCodTela->setText(MontaRodapeGeral(false, QStringLiteral("KAL02700"), QStringLiteral("N")));

    setWindowState(Qt::WindowNoState);
    restoreCursor();
    boCriado = true;

    if (!PrinterTypes::reportsLastReduction(FormatSettings::strToInt(FIdTipoImpFis))) {
        // Only the operator can store the day of such a printer.
        setReason(locais.typeGiven
                      ? QStringLiteral("A impressora fiscal do tipo %1 não informa a última redução Z: a redução Z "
                                       "é digitada na tela.")
                            .arg(FIdTipoImpFis)
                      : QStringLiteral("O arquivo PRAXUMO.CDS não informa o tipo da impressora fiscal "
                                       "(IDTIPOIMPFIS): a redução Z é digitada na tela."));
        boDadosUltima = false;
        BloqueiaDesbloqueia(QStringLiteral("N"));
        return;
    }
    PreencheDadosImpressora(Automatico);
}

void TfrmCadRedz::recusaDiaGravado(const DayRefusal::Day &dia)
{
    const Result<DayRefusal::Refusal> recusada = DayRefusal::storedDay(dia, FIdTipoImpFis, FIdGeraArqVndrio, frmCadRedz,
                                                                       msgPadrao->Msg(QStringLiteral("GERA_ARQUIVOS")),
                                                                       cdsParametrosKiv);
    const DayRefusal::Refusal recusa = recusada ? recusada.value() : throw Exception(recusada.error());
    setReason(recusa.line);
    if (recusa.kind == tmErro)
        throw Exception(recusa.line);
    // What became of the day's file is no failure: told with its own kind,
    // and the call ends without another word.
    restoreCursor();
    showMessage(recusa.line, recusa.kind, QStringLiteral("002"));
    throw EAbort();
}

void TfrmCadRedz::PreencheDadosImpressora(bool Automatico)
{
    // Whatever goes wrong here, the screen opens as it stands and no message
    // is shown; the host reads the cause after the call.
    QStringList cabecalhos;
    for (const QLabel *cabecalho : cabecalhosCampos())
        cabecalhos << cabecalho->text();
    const PrinterPrefill::Result lido = PrinterPrefill::read({FIdEsquema, FCdFilial, FCdCaixa, FDtReducao, FNrSerieEcf},
                                                             cabecalhos, cdsTotalizadorParciaisTributados);
    if (lido.lastReduction)
        stDataUltRedZ = *lido.lastReduction;
    if (lido.outcome != PrinterPrefill::Outcome::Filled) {
        // The operator is told why before typing what the printer did not give.
        setReason(lido.reason);
        if (!Automatico)
            m_avisoAbertura = lido.reason.simplified()
                              + QStringLiteral("\nDigite os valores a partir da Redução Z impressa.");
        // A printer that failed neither locks nor unlocks: the controls stay as they are.
        if (lido.outcome == PrinterPrefill::Outcome::Failed)
            return;
        boDadosUltima = false;
        BloqueiaDesbloqueia(QStringLiteral("N"));
        return;
    }
    const auto valores = valoresCampos();
    for (size_t i = 0; i < valores.size(); ++i)
        valores[i]->setText(lido.fields.at(qsizetype(i)));
    boDadosUltima = true;
    BloqueiaDesbloqueia(QStringLiteral("S"));
    stMotivoRedZ.clear();
    if (Automatico)
        confirmaSozinho();
}

void TfrmCadRedz::confirmaSozinho()
{
    // The screen is never shown, so its activation never fills these. An
    // error that leaves the confirmation is discarded: the host reads why.
    ui->lblDataNum->setText(FormatSettings::dateToStr(FDtReducao));
    ui->lblNrEcf->setText(FNrEcf);
    ui->lblSerieEcf->setText(FNrSerieEcf);
    shield([this] { sbtConfClick(ui->sbtConf); },
           [](const QString &texto) {
               if (stMotivoRedZ.isEmpty())
                   setReason(texto);
           });
}

void TfrmCadRedz::FormCreate(QObject *)
{
    Trad(this);
}

void TfrmCadRedz::FormActivate(QObject *)
{
    FCampoAtual = 1;
    mudaCor();
    ui->lblDataNum->setText(FormatSettings::dateToStr(FDtReducao));
    ui->lblNrEcf->setText(FNrEcf);
    ui->lblSerieEcf->setText(FNrSerieEcf);
}

void TfrmCadRedz::FormClose(QObject *, TCloseAction &)
{
    boCriado = false;
}

void TfrmCadRedz::Close()
{
    m_fechamentoPermitido = true;
    close();
    m_fechamentoPermitido = false;
}

bool TfrmCadRedz::event(QEvent *event)
{
    // Coming back from a message box over the screen is no new
    // activation: it would arrive after the confirmation has made the empty
    // field current, and undo that.
    if (event->type() == QEvent::WindowDeactivate)
        m_voltaDeDialogo = QApplication::activeModalWidget() && QApplication::activeModalWidget() != this;
    if (event->type() == QEvent::WindowActivate) {
        if (!m_voltaDeDialogo)
            guarded([this] { FormActivate(this); });
        m_voltaDeDialogo = false;
        // Once, over the screen just shown.
        if (!m_avisoAbertura.isEmpty()) {
            const QString aviso = std::exchange(m_avisoAbertura, QString());
            guarded([&] { mostra(aviso, tmAviso); });
        }
    }
    // A message box or the tax dialog over the screen has closed: the
    // keyboard comes back here, even where no window manager hands it back.
    if (event->type() == QEvent::WindowUnblocked) {
        QTimer::singleShot(0, this, [this] {
            const QWidget *modal = QApplication::activeModalWidget();
            if (isVisible() && (!modal || modal == this))
                activateWindow();
        });
    }
    return QDialog::event(event);
}

void TfrmCadRedz::setVisible(bool visible)
{
    // Centred on the whole screen: a borderless window has no title bar to
    // allow for, which the dialog's own placement would do.
    if (visible && !isVisible()) {
        if (const QScreen *tela = screen())
            move(tela->availableGeometry().center() - rect().center());
    }
    QDialog::setVisible(visible);
}

void TfrmCadRedz::closeEvent(QCloseEvent *event)
{
    if (!m_fechamentoPermitido) {
        event->ignore();
        return;
    }
    TCloseAction action = caHide;
    guarded([&] { FormClose(this, action); });
    if (action == caNone)
        event->ignore();
    else
        event->accept();
}

void TfrmCadRedz::reject() {}

// -------------------------------------------------------------- field entry

void TfrmCadRedz::postaTexto(int Campo, const QString &Texto, bool Apaga)
{
    // A figure changed: the next confirmation is no repeat.
    m_paradaAnterior = false;
    FieldEntry::post(children(), Campo, Texto, Apaga);
}

void TfrmCadRedz::mudaCor()
{
    FieldEntry::highlight(cabecalhosCampos(), FCampoAtual);
}

void TfrmCadRedz::BloqueiaDesbloqueia(const QString &Valor)
{
    bool habilitado;
    if (Valor == QLatin1String("S"))
        habilitado = false;
    else if (Valor == QLatin1String("N"))
        habilitado = true;
    else
        return;
    // The confirmation button stays as it is: a locked screen can still be confirmed.
    ui->sbtICMS->setEnabled(habilitado);
    for (TBlendedBitBtn *tecla : teclado())
        tecla->setEnabled(habilitado);
    for (QLabel *valor : valoresCampos())
        valor->setEnabled(habilitado);
}

void TfrmCadRedz::sbt1Click(QObject *Sender)
{
    // The caption, not the Tag: "00" and "000" share the Tag of "0".
    const auto *tecla = qobject_cast<const QAbstractButton *>(Sender);
    if (!tecla)
        return;
    postaTexto(FCampoAtual, tecla->text(), false);
}

void TfrmCadRedz::sbtEnterClick(QObject *)
{
    FCampoAtual = FCampoAtual == ReductionFigures::Count ? 1 : FCampoAtual + 1;
    mudaCor();
}

void TfrmCadRedz::sbtVoltarClick(QObject *)
{
    FCampoAtual = FCampoAtual == 1 ? ReductionFigures::Count : FCampoAtual - 1;
    mudaCor();
}

void TfrmCadRedz::sbtCorrigirClick(QObject *)
{
    postaTexto(FCampoAtual, QString(), true);
}

void TfrmCadRedz::FormKeyDown(QObject *, quint16 &Key, TShiftState Shift)
{
    // Alt+F4 alone would close the window from the system menu.
    if (Key == VirtualKey::F4 && Shift == TShiftState(ssAlt))
        Key = 0;
}

void TfrmCadRedz::FormKeyPress(QObject *, char &Key)
{
    // The printer's own figures are shown: nothing may be typed over them.
    if (boDadosUltima)
        return;
    if (Key == char(VirtualKey::Return))
        ui->sbtEnter->Click();
    switch (Key) {
    case char(VirtualKey::Back):
        postaTexto(FCampoAtual, QString(), true);
        break;
    case char(VirtualKey::Escape):
        ui->sbtVoltar->Click();
        break;
    case ',':
        postaTexto(FCampoAtual, QStringLiteral(","), false);
        break;
    default:
        // The point is no decimal separator here: only "," is.
        if (Key >= '0' && Key <= '9')
            postaTexto(FCampoAtual, QString(QLatin1Char(Key)), false);
        break;
    }
}

void TfrmCadRedz::trataTecla(QKeyEvent *event)
{
    const quint16 tecla = KeyTranslation::virtualKeyOf(event);
    quint16 key = tecla;
    FormKeyDown(this, key, KeyTranslation::shiftStateOf(event));
    if (tecla != 0 && key == 0)
        return;
    char caractere = 0;
    if (KeyTranslation::characterOf(event, caractere))
        FormKeyPress(this, caractere);
}

void TfrmCadRedz::keyPressEvent(QKeyEvent *event)
{
    // Not passed on: a dialog would take Esc for a cancel and Enter for its
    // default button.
    event->accept();
    guarded([&] { trataTecla(event); });
}

bool TfrmCadRedz::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched != this) {
        guarded([&] { trataTecla(static_cast<QKeyEvent *>(event)); });
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        if (const int campo = campoDoRotulo(watched)) {
            guarded([&] { tocaCampo(campo); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

int TfrmCadRedz::campoDoRotulo(const QObject *rotulo) const
{
    const auto cabecalhos = cabecalhosCampos();
    const auto valores = valoresCampos();
    for (size_t i = 0; i < valores.size(); ++i)
        if (rotulo == cabecalhos[i] || rotulo == valores[i])
            return int(i) + 1;
    return 0;
}

void TfrmCadRedz::tocaCampo(int campo)
{
    // The printer's own figures are shown: no field is chosen on them.
    if (boDadosUltima || !valoresCampos()[size_t(campo - 1)]->isEnabled())
        return;
    FCampoAtual = campo;
    mudaCor();
}

// ------------------------------------------------- tax lines and confirmation

void TfrmCadRedz::sbtICMSClick(QObject *)
{
    // Something was done about the tax list: the next confirmation is no repeat.
    m_paradaAnterior = false;
    const Result<std::optional<QVariant>> lista = TaxEntry::run(
        {FCdFilial, FCdCaixa, ui->lblNrEcf->text(), FDtReducao, lastReductionDayForTaxes()},
        cdsTotalizadorParciaisTributados, FDadosImpostos);
    if (lista && !lista.value())
        return; // cancelled: the list and its notice stay as they were
    m_erroImpostos = lista.error();
    FDadosImpostos = lista ? *lista.value() : FDadosImpostos;
    ui->lblImpostos->setText(TaxEntry::summary(FDadosImpostos));
    if (!m_erroImpostos.isEmpty())
        throw Exception(m_erroImpostos);
}

void TfrmCadRedz::cdsImpRedZBeforePost(ClientDataSet &)
{
    const double aliquota = cdsImpRedZVRALIQIMPRZ->asFloat();
    const double base = cdsImpRedZVRBCALCIMPRZ->asFloat();
    cdsImpRedZVRIMPOSTORZ->setAsFloat(TaxLines::tax(base, aliquota));
}

void TfrmCadRedz::sbtConfClick(QObject *)
{
    // A press that stops where the one before it stopped, nothing changed in
    // between, offers the way out instead of the same notice again.
    m_retendo = m_paradaAnterior && isVisible();
    m_retido.clear();
    bool segue = false;
    try {
        segue = confereCampos() && confereFiguras() && montaImpostos() && confereImpostos() && confereSomas();
    } catch (const Exception &erro) {
        // It would come back on every press: it stops the confirmation as a
        // refusal does, and the way out follows. The silent abort passes.
        if (dynamic_cast<const EAbort *>(&erro)) {
            m_retendo = false;
            throw;
        }
        recusa(erro.message().simplified(), tmErro);
    }
    const bool repetida = m_retendo;
    m_retendo = false;
    if (segue) {
        m_paradaAnterior = false;
        gravaReducao(modeloDaImpressora());
        return;
    }
    // A save that failed has closed the screen already.
    if (!isVisible() || !boCriado)
        return;
    m_paradaAnterior = true;
    if (repetida && ExitQuestion::ask(m_retido, this))
        saiSemGravar(m_retido);
}

void TfrmCadRedz::recusa(const QString &texto, TTipoMsg tipo)
{
    if (m_retendo)
        m_retido = texto;
    else
        mostra(texto, tipo);
}

void TfrmCadRedz::saiSemGravar(const QString &motivo)
{
    // The operator chose to leave: a save that failed, nothing stored, and no
    // further notice over the answer just given.
    setReason(msgPadrao->Msg(QStringLiteral("DAD_N_GRAV")) + QStringLiteral(" O operador saiu sem gravar a Redução Z: ")
              + motivo);
    Close();
}

bool TfrmCadRedz::confereFiguras()
{
    // A figure no fiscal file can carry is refused before anything is stored,
    // and so is a printer's totaliser, which becomes a tax line.
    const DayChecks::Refusal campo = DayChecks::figures(nomesCampos(), textosCampos());
    if (campo.refused())
        return recusaFigura(campo.field, campo.line);
    const bool temLista = FDadosImpostos.isValid() && !FDadosImpostos.isNull();
    if (temLista || !boDadosUltima || !cdsTotalizadorParciaisTributados.active())
        return true;
    const QString linha = DayChecks::totalisers(cdsTotalizadorParciaisTributados);
    return linha.isEmpty() || recusaFigura(0, linha);
}

bool TfrmCadRedz::confereImpostos()
{
    // The tax package's lines as they will be stored.
    if (!FDadosImpostos.isValid() || FDadosImpostos.isNull())
        return true;
    const QString linha = DayChecks::taxLines(cdsImpRedZ, camposImpostos());
    return linha.isEmpty() || recusaFigura(0, linha);
}

bool TfrmCadRedz::recusaFigura(int campo, const QString &linha)
{
    // The printer's figures cannot be corrected on a locked screen: the
    // confirmation ends as a save that failed. A typed one can.
    if (boDadosUltima) {
        naoGravado(linha);
        return false;
    }
    setReason(linha);
    recusa(linha, tmErro);
    if (campo >= 1 && campo <= ReductionFigures::Count) {
        FCampoAtual = campo;
        mudaCor();
    }
    return false;
}

bool TfrmCadRedz::confereSomas()
{
    // The printer's own figures are stored as it reported them (the ledger
    // tells what does not add up); a typed day is checked by the same rules.
    if (boDadosUltima)
        return true;
    const QStringList textos = textosCampos();
    const DayChecks::TypedDay dia = DayChecks::typedDay(nomesCampos(), textos, cdsImpRedZ, camposImpostos());
    if (dia.refusal.refused())
        return recusaFigura(dia.refusal.field, dia.refusal.line);
    // The same figures confirmed again are stored as the operator read them.
    const QString chave = dia.divergence + textos.join(u'|') + FDadosImpostos.toByteArray().toHex();
    if (dia.divergence.isEmpty() || chave == m_somasConfirmadas)
        return true;
    m_somasConfirmadas = chave;
    recusa(dia.divergence + QStringLiteral("\nConfirme de novo para gravar assim."), tmAviso);
    return false;
}

bool TfrmCadRedz::confereCampos()
{
    // Every field must hold something; the first empty one becomes current.
    for (QObject *componente : children()) {
        auto *label = qobject_cast<QLabel *>(componente);
        const int tag = label ? FieldEntry::tagOf(label) : 0;
        if (tag < 1 || tag > ReductionFigures::Count || !label->text().isEmpty())
            continue;
        recusa(msgPadrao->Msg(QStringLiteral("CAMP_N_INF")), tmInformacao);
        FCampoAtual = tag;
        mudaCor();
        return false;
    }
    return true;
}

bool TfrmCadRedz::montaImpostos()
{
    // The tax package's list, or one rebuilt from the printer's totalisers.
    // Without one the screen stays open with every figure, and says why:
    // the operator may press "Incluir Imposto" again, or leave.
    try {
        const bool temLista = FDadosImpostos.isValid() && !FDadosImpostos.isNull();
        if (temLista)
            cdsImpRedZ.setData(FDadosImpostos);
        if (!temLista && boDadosUltima) {
            const Result<NoValue> lista = PrinterTaxList(cdsImpRedZ, camposImpostos())
                                              .build(cdsTotalizadorParciaisTributados,
                                                     {FCdFilial, FCdCaixa, FNrEcf, FDtReducao});
            if (!lista)
                throw Exception(lista.error());
            return true;
        }
        if (temLista && !cdsImpRedZ.isEmpty())
            return true;
        const QString icms = msgPadrao->Msg(QStringLiteral("ICMS_N_INF"));
        recusa(m_erroImpostos.isEmpty() ? icms : icms + QLatin1Char('\n') + m_erroImpostos, tmErro);
        return false;
    } catch (const EAbort &) {
        throw;
    } catch (const Exception &erro) {
        // A list that cannot be read: on a typed screen the tax button can
        // give another one.
        return recusaFigura(0,
                            QStringLiteral("Os impostos não puderam ser informados: ") + erro.message().simplified());
    }
}

QString TfrmCadRedz::modeloDaImpressora()
{
    // A printer that does not answer (a day typed by hand, a cable pulled)
    // does not keep the day from being stored: it goes without them.
    const Result<QString> modelo = PrinterPrefill::model();
    if (!modelo)
        mostra(QStringLiteral("O modelo da impressora fiscal não pôde ser lido: ") + modelo.error().simplified()
                   + QStringLiteral("\nA redução Z será gravada sem o modelo da impressora fiscal."),
               tmAviso);
    return modelo ? modelo.value() : QString();
}

void TfrmCadRedz::gravaReducao(const QString &modeloMarca)
{
    // From here on every outcome ends the screen.
    boRedZGravada = false;
    try {
        const Srv_kal02700::ServerResult<Srv_kal02700::Done> salvo = chamaSetRedZ(modeloMarca);
        // The host learns from the save itself whether the day was committed.
        boRedZGravada = salvo.ok();
        const QVariant gravou = MensagemMetodo(QVariant(salvo.ok()), true, 0, QStringLiteral("setRedZ"),
                                               QStringLiteral("cli_Kal02700"), chaveDoDia(), FIdEsquema);
        if (!gravou.toBool() && salvo.isUncertain()) {
            // The day may be stored: not "not stored", and no rerun before
            // someone has looked.
            boRedZIncerta = true;
            setReason(salvo.error());
            mostra(salvo.error().simplified(), tmErro);
            Close();
            return;
        }
        if (!gravou.toBool()) {
            naoGravado(salvo.error());
            return;
        }
        stMotivoRedZ.clear();
        mensagem(QStringLiteral("DAD_GRAV"), tmInformacao);
        geraArquivosCat52();
    } catch (const Exception &erro) {
        if (!boRedZGravada) {
            naoGravado(erro.message());
            return;
        }
        avisoCat52(Cat52Stage::fileNotStored(erro.message()));
    }
    Close();
}

Srv_kal02700::ServerResult<Srv_kal02700::Done> TfrmCadRedz::chamaSetRedZ(const QString &modeloMarca)
{
    return Srv_kal02700::storeReduction(
        FCdFilial, FCdCaixa, ui->lblNrEcf->text(), ui->lblSerieEcf->text(), ui->lblContRedZ->text(),
        ui->lblContRei->text(), Ajusta(ui->lblNRCupIni->text(), 10), Ajusta(ui->lblNrCupFin->text(), 10),
        valorDoCampo(5), valorDoCampo(6), valorDoCampo(7), valorDoCampo(8), valorDoCampo(9), valorDoCampo(10),
        valorDoCampo(11), valorDoCampo(12), valorDoCampo(13), dataDaReducao(), cdsImpRedZ.data(), modeloMarca);
}

double TfrmCadRedz::valorDoCampo(int campo) const
{
    try {
        return FormatSettings::strToFloat(valoresCampos()[size_t(campo - 1)]->text());
    } catch (const EConvertError &erro) {
        throw EConvertError(cabecalhosCampos()[size_t(campo - 1)]->text().simplified() + QStringLiteral(": ")
                            + erro.message());
    }
}

TDateTime TfrmCadRedz::dataDaReducao() const
{
    try {
        return FormatSettings::strToDate(ui->lblDataNum->text());
    } catch (const EConvertError &erro) {
        throw EConvertError(ui->lblData->text().simplified() + QStringLiteral(": ") + erro.message());
    }
}

QString TfrmCadRedz::chaveDoDia() const
{
    QStringList chave = QStringList{FCdFilial, FCdCaixa, ui->lblNrEcf->text(), ui->lblSerieEcf->text()}
                        + textosCampos();
    chave << ui->lblDataNum->text() << QStringLiteral("cdsImpRedZ.data");
    return chave.join(QLatin1Char('-'));
}

void TfrmCadRedz::naoGravado(const QString &causa)
{
    // One notice: that nothing was stored, and on its next line why.
    // A driver's own words stay on the line of the sentence they follow.
    const QString texto = msgPadrao->Msg(QStringLiteral("DAD_N_GRAV"))
                          + (causa.isEmpty() ? QString() : QLatin1Char('\n') + causa.simplified());
    setReason(texto);
    mostra(texto, tmErro);
    Close();
}

void TfrmCadRedz::mensagem(const QString &chave, TTipoMsg tipo)
{
    mostra(msgPadrao->Msg(chave), tipo);
}

void TfrmCadRedz::mostra(const QString &texto, TTipoMsg tipo)
{
    showMessage(texto, tipo, FIdEsquema);
}

void TfrmCadRedz::avisoCat52(const QString &linha)
{
    // The day is stored: what became of its file is a warning, not a failed save.
    setReason(linha);
    mostra(linha.simplified(), tmAviso);
}

void TfrmCadRedz::geraArquivosCat52()
{
    // A printer type that is no number leaves the file unmade, as a failed one.
    const Result<bool> devido = Cat52Stage::isDue(FIdTipoImpFis, FIdGeraArqVndrio);
    const QString linha = !devido ? Cat52Stage::fileNotStored(devido.error())
                          : devido.value()
                              ? Cat52Stage(FCdFilial, FCdCaixa)
                                    .run(frmCadRedz, msgPadrao->Msg(QStringLiteral("GERA_ARQUIVOS")), cdsParametrosKiv,
                                         cdsImpRedZDTREDUCAOZ->asDateTime(), figurasGravadas())
                              : QString();
    if (!linha.isEmpty())
        avisoCat52(linha);
}

Cat52DayFigures TfrmCadRedz::figurasGravadas() const
{
    // As setRedZ stored them: the counters as typed, the gross sales in cents.
    const Reduction tela = ReductionRules::fromTexts(textosCampos(), {});
    const QDate dia = AutomationDate::toDate(dataDaReducao());
    return {ui->lblSerieEcf->text(), tela.crz, tela.cro, tela.lastCoupon, dia, tela.gross};
}
