#include "TfrmCadRedz.h"
#include "Cli_kal02700.h"
#include "Exception.h"
#include "FormatSettings.h"
#include "ScreenSupport.h"
#include "Shield.h"
#include "SharedServices.h"
#include "Srv_kal02700.h"
#include "Wmb00001.h"
#include "Wmb00002.h"
#include "Win1252.h"
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <algorithm>

using namespace Cli_kal02700;

namespace {

const QColor corCampo(Qt::black);             // clBlack
const QColor corCampoAtual(128, 128, 128);    // clGray

// Printer types that report their last Z reduction: only these are read.
constexpr int tiposComUltimaRedZ[] = {14, 18, 19, 22, 24, 27, 28, 29, 31, 32};

int tagOf(const QObject *component)
{
    return component->property("tag").toInt();
}

// Characters a field holds at most before a key is refused (the key's text is
// then added whole); labels outside the thirteen fields have no limit.
int limiteDoCampo(int tag)
{
    if (tag == 1 || tag == 2)
        return 4;
    if (tag == 3 || tag == 4)
        return 6;
    if (tag >= 5 && tag <= 13)
        return 12;
    return -1;
}

void setFontColor(QLabel *label, const QColor &color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

// The Windows virtual-key code of a key, for the key-down event; 0 for keys
// that have none here.
quint16 virtualKeyOf(const QKeyEvent *event)
{
    const int key = event->key();
    const bool keypad = event->modifiers().testFlag(Qt::KeypadModifier);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return quint16((keypad ? 96 : 48) + (key - Qt::Key_0));
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return quint16(65 + (key - Qt::Key_A));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return quint16(112 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return VirtualKey::Back;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VirtualKey::Return;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return VirtualKey::Escape;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Asterisk: return keypad ? 106 : 56;
    case Qt::Key_Plus: return keypad ? 107 : 187;
    case Qt::Key_Minus: return keypad ? 109 : 189;
    case Qt::Key_Period: return keypad ? 110 : 190;
    case Qt::Key_Slash: return keypad ? 111 : 191;
    case Qt::Key_Comma: return keypad ? 110 : 188;
    case Qt::Key_Semicolon: return 186;
    case Qt::Key_Equal: return 187;
    default: return 0;
    }
}

TShiftState shiftStateOf(const QKeyEvent *event)
{
    TShiftState state;
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (modifiers.testFlag(Qt::ShiftModifier))
        state |= ssShift;
    if (modifiers.testFlag(Qt::AltModifier))
        state |= ssAlt;
    if (modifiers.testFlag(Qt::ControlModifier))
        state |= ssCtrl;
    const Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
    if (buttons.testFlag(Qt::LeftButton))
        state |= ssLeft;
    if (buttons.testFlag(Qt::RightButton))
        state |= ssRight;
    if (buttons.testFlag(Qt::MiddleButton))
        state |= ssMiddle;
    return state;
}

// The character a key types, as the key-press event sees it: Enter, Esc and
// Backspace give their control codes; Alt combinations are commands and type
// nothing; with Ctrl only control characters come through.
bool characterOf(const QKeyEvent *event, char &character)
{
    const bool alt = event->modifiers().testFlag(Qt::AltModifier);
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    if (alt && !ctrl)
        return false;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: character = char(VirtualKey::Return); return true;
    case Qt::Key_Escape: character = char(VirtualKey::Escape); return true;
    case Qt::Key_Backspace: character = char(VirtualKey::Back); return true;
    default: break;
    }
    // The numeric pad's decimal key types the decimal separator, as on a
    // Brazilian keyboard, whether the layout sends a point or a comma.
    if (event->modifiers().testFlag(Qt::KeypadModifier) && !ctrl && !alt
        && (event->key() == Qt::Key_Period || event->key() == Qt::Key_Comma)) {
        character = ',';
        return true;
    }
    const QString text = event->text();
    if (text.size() != 1 || (ctrl && !alt && text.at(0).unicode() >= 32))
        return false;
    bool lossy = false;
    const QByteArray bytes = Win1252::encode(text, &lossy);
    if (lossy || bytes.size() != 1)
        return false;
    character = bytes.at(0);
    return true;
}

// Blanks and control characters off both ends, as the printer's texts come.
QString aparado(const QString &texto)
{
    qsizetype inicio = 0, fim = texto.size();
    while (inicio < fim && texto.at(inicio).unicode() <= 32)
        ++inicio;
    while (fim > inicio && texto.at(fim - 1).unicode() <= 32)
        --fim;
    return texto.mid(inicio, fim - inicio);
}

// The lines of a generated file, in the printer's code page; CR LF, LF or CR
// end a line, and a last line break makes no empty line.
QStringList linhasDoArquivo(const QString &caminho)
{
    QFile arquivo(caminho);
    if (!arquivo.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Não foi possível ler o arquivo %1: %2").arg(caminho, arquivo.errorString()));
    const QString texto = Win1252::decode(arquivo.readAll());
    QStringList linhas;
    qsizetype inicio = 0;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        linhas << texto.mid(inicio, i - inicio);
        if (c == QLatin1Char('\r') && i + 1 < texto.size() && texto.at(i + 1) == QLatin1Char('\n'))
            ++i;
        inicio = i + 1;
    }
    if (inicio < texto.size())
        linhas << texto.mid(inicio);
    return linhas;
}
} // namespace

TfrmCadRedz::TfrmCadRedz(QWidget *owner) : QDialog(owner)
{
    setupUi(this);
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

    cdsImpRedZCDFILIAL = &cdsImpRedZ.addField(QStringLiteral("CDFILIAL"), FieldType::String, 4);
    cdsImpRedZCDCAIXA = &cdsImpRedZ.addField(QStringLiteral("CDCAIXA"), FieldType::String, 3);
    cdsImpRedZNRECFREDZ = &cdsImpRedZ.addField(QStringLiteral("NRECFREDZ"), FieldType::String, 10);
    cdsImpRedZDTREDUCAOZ = &cdsImpRedZ.addField(QStringLiteral("DTREDUCAOZ"), FieldType::Date);
    cdsImpRedZCDIMPOSTO = &cdsImpRedZ.addField(QStringLiteral("CDIMPOSTO"), FieldType::String, 2,
                                               QStringLiteral("Codigo Imposto"));
    cdsImpRedZVRALIQIMPRZ = &cdsImpRedZ.addField(QStringLiteral("VRALIQIMPRZ"), FieldType::Float, 0,
                                                 QStringLiteral("Aliquota"));
    cdsImpRedZVRBCALCIMPRZ = &cdsImpRedZ.addField(QStringLiteral("VRBCALCIMPRZ"), FieldType::Float, 0,
                                                  QStringLiteral("Valor Acumulado"));
    cdsImpRedZVRIMPOSTORZ = &cdsImpRedZ.addField(QStringLiteral("VRIMPOSTORZ"), FieldType::Float, 0,
                                                 QStringLiteral("Valor"), false);
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
    for (TBlendedBitBtn *tecla : {sbt1, sbt2, sbt3, sbt4, sbt5, sbt6, sbt7, sbt8, sbt9, sbt0, sbt00,
                                  sbt000, sbtVirgula})
        connect(tecla, &QAbstractButton::clicked, this, [this, tecla] { guarded([&] { sbt1Click(tecla); }); });
    connect(sbtEnter, &QAbstractButton::clicked, this, [this] { guarded([this] { sbtEnterClick(sbtEnter); }); });
    connect(sbtVoltar, &QAbstractButton::clicked, this, [this] { guarded([this] { sbtVoltarClick(sbtVoltar); }); });
    connect(sbtCorrigir, &QAbstractButton::clicked, this,
            [this] { guarded([this] { sbtCorrigirClick(sbtCorrigir); }); });
    connect(sbtICMS, &QAbstractButton::clicked, this, [this] { guarded([this] { sbtICMSClick(sbtICMS); }); });
    connect(sbtConf, &QAbstractButton::clicked, this, [this] { guarded([this] { sbtConfClick(sbtConf); }); });
}

std::array<QLabel *, 13> TfrmCadRedz::cabecalhosCampos() const
{
    return {lblCabContRed, lblCabContRei, lblCabNrCupIni, lblCabNrCupFin, lblCabSubTrib,
            lblCabIsentICMS, lblCabNIncidICMS, lblCabTotGer, lblCabVendBrutD, lblCabCancICMS,
            lblCabDescICMS, lblCabVendLiq, lblCabAcresICMS};
}

std::array<QLabel *, 13> TfrmCadRedz::valoresCampos() const
{
    return {lblContRedZ, lblContRei, lblNRCupIni, lblNrCupFin, lblSubTrib, lblIsentICMS,
            lblNIncidICMS, lblTotGer, lblVendBrutD, lblCancICMS, lblDescICMS, lblVendLiq,
            lblACresICMS};
}

// ------------------------------------------------------------------ opening

void TfrmCadRedz::InicializaForm(const QString &CdFilial, const QString &CdCaixa,
                                 const QString &NrEcf, const QString &NrSerieEcf,
                                 TDateTime DtReducao, bool Automatico)
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

    // Only the first record of each local file counts. Without the parameter
    // file the schema and the CAT-52 flag simply stay empty.
    const QDir pasta(parametersDir());
    const QString arquivoParametros = pasta.filePath(QStringLiteral("PARAMETROSKIV.CDS"));
    if (QFileInfo(arquivoParametros).isFile()) {
        cdsParametrosKiv.loadFromFile(arquivoParametros);
        cdsParametrosKiv.open();
        FIdEsquema = cdsParametrosKiv.fieldByName(QStringLiteral("IDESQUEMA")).asString();
        FIdGeraArqVndrio = cdsParametrosKiv.fieldByName(QStringLiteral("IDGERAARQVNDRIO")).asString();
    }
    // Without the printer file the type stays empty and fails its conversion
    // below: the screen cannot tell how the printer works.
    const QString arquivoImpressora = pasta.filePath(QStringLiteral("PRAXUMO.CDS"));
    bool tipoInformado = false;
    if (QFileInfo(arquivoImpressora).isFile()) {
        cdsKiv.loadFromFile(arquivoImpressora);
        cdsKiv.open();
        FIdTipoImpFis = cdsKiv.fieldByName(QStringLiteral("IDTIPOIMPFIS")).asString();
        tipoInformado = !EmptyString(FIdTipoImpFis);
        if (!tipoInformado)
            FIdTipoImpFis = QStringLiteral("00");
    } else {
        setReason(QStringLiteral("O arquivo PRAXUMO.CDS não foi encontrado em %1: o tipo da impressora fiscal não é "
                                 "conhecido.")
                      .arg(QDir::toNativeSeparators(pasta.path())));
    }

    lblCodTela->setText(MontaRodapeGeral(false, QStringLiteral("KAL02700"), QStringLiteral("N")));

    setWindowState(Qt::WindowNoState);
    restoreCursor();
    boCriado = true;

    const int tipoImpressora = FormatSettings::strToInt(FIdTipoImpFis);
    if (std::find(std::begin(tiposComUltimaRedZ), std::end(tiposComUltimaRedZ), tipoImpressora)
        == std::end(tiposComUltimaRedZ)) {
        // Only the operator can store the day of such a printer.
        setReason(tipoInformado
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

void TfrmCadRedz::PreencheDadosImpressora(bool Automatico)
{
    // Whatever goes wrong here, the screen opens as it stands: the printer
    // may simply not answer, and the operator types the day in by hand. No
    // message is shown; the host reads the cause after the call.
    const QString diaPedido = FormatSettings::dateTimeToStr(FDtReducao);
    shield(
        [&] {
            QVariantList ultimaRedZ(51);
            try {
                if (!Wmb00001::DadosUltimaRedZ)
                    throw Exception(QStringLiteral("O pacote da impressora fiscal não está carregado."));
                Wmb00001::DadosUltimaRedZ(QVariant(FIdEsquema), 0, ultimaRedZ, cdsTotalizadorParciaisTributados);
            } catch (const Exception &erro) {
                setReason(QStringLiteral("A memória da impressora fiscal não pôde ser lida: ") + erro.message());
                throw;
            }
            constexpr int indices[13] = {12, 11, -1, 13, 29, 27, 28, 25, 47, 37, 33, 48, 35};
            QStringList textos;
            for (int indice : indices)
                textos << (indice < 0 ? QString() : ultimaRedZ.value(indice).toString());
            stDataUltRedZ = ultimaRedZ.value(46).toString();

            // A printer without a last Z reduction: the day is the register's last
            // cash movement.
            const bool semReducao = stDataUltRedZ == QLatin1String("00/00/00");
            if (semReducao)
                stDataUltRedZ = Srv_kal02700::getMaxMovCaixa(FCdFilial, FCdCaixa);
            TDateTime dataUltima = 0;
            try {
                dataUltima = FormatSettings::strToDate(stDataUltRedZ);
            } catch (const EConvertError &) {
                setReason((semReducao ? QStringLiteral("A impressora fiscal não tem redução Z e a data da última "
                                                       "movimentação do caixa não pôde ser lida: '%1'.")
                                      : QStringLiteral("A data da última redução Z da impressora não pôde ser lida: '%1'."))
                              .arg(stDataUltRedZ));
                throw;
            }
            const QString outroDia = QStringLiteral("A última redução Z da impressora é de %1, não de %2.")
                                         .arg(FormatSettings::dateToStr(dataUltima), diaPedido);

            const QString cupom = Srv_kal02700::getCupomInicial(FCdFilial, FCdCaixa, dataUltima).toString();
            // The lookup answers a number or its failure message: only a number
            // is a coupon, and its last six digits are the one the printer prints.
            if (cupom.isEmpty() || !std::all_of(cupom.cbegin(), cupom.cend(), [](QChar c) { return c.isDigit(); })) {
                setReason(dataUltima != FDtReducao
                              ? outroDia
                              : QStringLiteral("O cupom fiscal inicial de %1 não foi encontrado (nem contador do dia nem "
                                               "redução Z anterior do caixa): %2")
                                    .arg(diaPedido, cupom));
                throw Exception(cupom);
            }
            textos[2] = cupom.right(6);

            // Figures of another day, or incomplete ones, are typed in by hand: a
            // locked screen with an empty field could never be confirmed.
            QStringList faltam;
            const auto cabecalhos = cabecalhosCampos();
            for (qsizetype i = 0; i < textos.size(); ++i)
                if (textos.at(i).isEmpty())
                    faltam << cabecalhos[size_t(i)]->text();
            if (dataUltima != FDtReducao || !faltam.isEmpty()) {
                setReason(dataUltima != FDtReducao
                              ? outroDia
                              : QStringLiteral("A impressora fiscal não informou todos os valores da redução Z de %1: "
                                               "faltam %2.")
                                    .arg(diaPedido, faltam.join(QStringLiteral(", "))));
                boDadosUltima = false;
                BloqueiaDesbloqueia(QStringLiteral("N"));
                return;
            }

            const auto valores = valoresCampos();
            for (size_t i = 0; i < valores.size(); ++i)
                valores[i]->setText(textos.at(qsizetype(i)));
            boDadosUltima = true;
            BloqueiaDesbloqueia(QStringLiteral("S"));
            stMotivoRedZ.clear();
            if (Automatico) {
                // The screen is never shown, so its activation never fills these.
                lblDataNum->setText(FormatSettings::dateToStr(FDtReducao));
                lblNrEcf->setText(FNrEcf);
                lblSerieEcf->setText(FNrSerieEcf);
                sbtConfClick(sbtConf);
            }
        },
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
    lblDataNum->setText(FormatSettings::dateToStr(FDtReducao));
    lblNrEcf->setText(FNrEcf);
    lblSerieEcf->setText(FNrSerieEcf);
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

void TfrmCadRedz::reject()
{
}

// -------------------------------------------------------------- field entry

void TfrmCadRedz::postaTexto(int Campo, const QString &Texto, bool Apaga)
{
    // Only the thirteen fields take text: before the first activation there
    // is no current field, and the title and headings carry Tag 0.
    if (Campo < 1 || Campo > 13)
        return;
    // The field is found by walking the form's components in creation order,
    // so a label added with the field's Tag would take the text as well.
    const QObjectList componentes = children();
    for (qsizetype i = 0; i < componentes.size(); ++i) {
        auto *label = qobject_cast<QLabel *>(componentes.at(i));
        if (!label || tagOf(label) != Campo)
            continue;
        const QString texto = label->text();
        if (Apaga) {
            label->setText(texto.left(texto.size() - 1));
            continue;
        }
        const int tag = tagOf(label);
        if (Texto == QLatin1String(",")) {
            if (tag >= 1 && tag <= 4)
                return; // counters are whole numbers
            if (texto.isEmpty()) {
                label->setText(QStringLiteral("0,"));
                return;
            }
            if (texto.contains(QLatin1Char(',')))
                return;
        }
        // Tested before the append: "00" and "000" may carry a field past it.
        const int limite = limiteDoCampo(tag);
        if (limite >= 0 && texto.size() >= limite)
            return;
        label->setText(texto + Texto);
    }
}

void TfrmCadRedz::mudaCor()
{
    const auto cabecalhos = cabecalhosCampos();
    for (QLabel *cabecalho : cabecalhos)
        setFontColor(cabecalho, corCampo);
    if (FCampoAtual >= 1 && FCampoAtual <= 13)
        setFontColor(cabecalhos[size_t(FCampoAtual - 1)], corCampoAtual);
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
    for (QWidget *controle : {static_cast<QWidget *>(sbtICMS), static_cast<QWidget *>(sbt1),
                              static_cast<QWidget *>(sbt2), static_cast<QWidget *>(sbt3),
                              static_cast<QWidget *>(sbt4), static_cast<QWidget *>(sbt5),
                              static_cast<QWidget *>(sbt6), static_cast<QWidget *>(sbt7),
                              static_cast<QWidget *>(sbt8), static_cast<QWidget *>(sbt9),
                              static_cast<QWidget *>(sbt0), static_cast<QWidget *>(sbt00),
                              static_cast<QWidget *>(sbt000), static_cast<QWidget *>(sbtEnter),
                              static_cast<QWidget *>(sbtVirgula), static_cast<QWidget *>(sbtCorrigir),
                              static_cast<QWidget *>(sbtVoltar)})
        controle->setEnabled(habilitado);
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
    FCampoAtual = FCampoAtual == 13 ? 1 : FCampoAtual + 1;
    mudaCor();
}

void TfrmCadRedz::sbtVoltarClick(QObject *)
{
    FCampoAtual = FCampoAtual == 1 ? 13 : FCampoAtual - 1;
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
        sbtEnter->Click();
    switch (Key) {
    case char(VirtualKey::Back):
        postaTexto(FCampoAtual, QString(), true);
        break;
    case char(VirtualKey::Escape):
        sbtVoltar->Click();
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
    const quint16 tecla = virtualKeyOf(event);
    quint16 key = tecla;
    FormKeyDown(this, key, shiftStateOf(event));
    if (tecla != 0 && key == 0)
        return;
    char caractere = 0;
    if (characterOf(event, caractere))
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
    // With no printer date known, the tax package is given a fixed past date.
    const QString dataFixa = QStringLiteral("24/02/2012");
    if (EmptyString(stDataUltRedZ))
        stDataUltRedZ = dataFixa;
    // The last cash movement may carry a time of day: its day is the date.
    // A text that is no date at all (a lookup's failure) counts as unknown:
    // the tax lines can still be typed.
    TDateTime dataUltimaRedZ = 0;
    try {
        dataUltimaRedZ = AutomationDate::dateOf(FormatSettings::strToDateTime(stDataUltRedZ));
    } catch (const EConvertError &) {
        dataUltimaRedZ = FormatSettings::strToDate(dataFixa);
    }
    // The list confirmed before goes in: a package that is cancelled leaves it.
    QVariant dados = FDadosImpostos;
    try {
        if (!Wmb00002::CriaImpostoRedz)
            throw Exception(QStringLiteral("O pacote de impostos não está carregado."));
        Wmb00002::CriaImpostoRedz(FCdFilial, FCdCaixa, lblNrEcf->text(), FDtReducao, dataUltimaRedZ,
                                  cdsTotalizadorParciaisTributados, dados);
    } catch (const EAbort &) {
        throw;
    } catch (const Exception &erro) {
        m_erroImpostos = erro.message();
        throw;
    } catch (const std::exception &erro) {
        m_erroImpostos = QString::fromLocal8Bit(erro.what());
        throw;
    }
    m_erroImpostos.clear();
    FDadosImpostos = dados;
}

void TfrmCadRedz::cdsImpRedZBeforePost(ClientDataSet &)
{
    // Product and division in extended precision, rounded to a double only
    // for Trunc2: a product formed in double can fall a hair short of a cent
    // that the truncation would then lose.
    const long double aliquota = cdsImpRedZVRALIQIMPRZ->asFloat();
    const long double base = cdsImpRedZVRBCALCIMPRZ->asFloat();
    const long double imposto = (base * aliquota) / 100.0L;
    cdsImpRedZVRIMPOSTORZ->setAsFloat(Trunc2(static_cast<double>(imposto)));
}

void TfrmCadRedz::sbtConfClick(QObject *)
{
    // 1. Every field must hold something; the first empty one becomes current.
    for (QObject *componente : children()) {
        auto *label = qobject_cast<QLabel *>(componente);
        const int tag = label ? tagOf(label) : 0;
        if (tag < 1 || tag > 13 || !label->text().isEmpty())
            continue;
        mensagem(QStringLiteral("CAMP_N_INF"), tmInformacao);
        FCampoAtual = tag;
        mudaCor();
        return;
    }

    // 2. The tax list: the tax package's, or rebuilt from the printer's
    // totalisers. An error here would come back on every press and keep the
    // screen open for good: it ends the screen as a save that failed. So does
    // a list still missing when the tax package itself failed.
    const QString semImpostos = QStringLiteral("Os impostos não puderam ser informados: ");
    try {
        if (FDadosImpostos.isValid() && !FDadosImpostos.isNull()) {
            cdsImpRedZ.setData(FDadosImpostos);
            if (cdsImpRedZ.isEmpty()) {
                if (!m_erroImpostos.isEmpty()) {
                    naoGravado(semImpostos + m_erroImpostos);
                    return;
                }
                mensagem(QStringLiteral("ICMS_N_INF"), tmErro);
                throw EAbort();
            }
        } else if (!boDadosUltima) {
            if (!m_erroImpostos.isEmpty()) {
                naoGravado(semImpostos + m_erroImpostos);
                return;
            }
            mensagem(QStringLiteral("ICMS_N_INF"), tmErro);
            return;
        } else {
            montaImpostosDaImpressora();
        }
    } catch (const EAbort &) {
        throw;
    } catch (const Exception &erro) {
        naoGravado(erro.message());
        return;
    }

    // 3. The printer's model and brand, as stored with the Z reduction. A
    // printer that does not answer (a day typed by hand, a cable pulled)
    // does not keep the day from being stored: it goes without them.
    QString modeloMarca;
    try {
        if (!Wmb00001::Modelo_Impressora)
            throw Exception(QStringLiteral("O pacote da impressora fiscal não está carregado."));
        QString modelo, marca, outro;
        Wmb00001::Modelo_Impressora(QString(), modelo, marca, outro);
        modeloMarca = (aparado(modelo) + QLatin1Char('|') + aparado(marca)).left(30);
    } catch (const Exception &erro) {
        Mensagem(erro.message() + QStringLiteral("\nA redução Z será gravada sem o modelo da impressora fiscal."),
                 QString(), QStringLiteral("N"), QStringLiteral("N"), tmAviso, QString(), FIdEsquema, 0, nullptr);
    }

    // 4. From here on every outcome ends the screen.
    try {
        const auto valores = valoresCampos();
        QStringList chave{FCdFilial, FCdCaixa, lblNrEcf->text(), lblSerieEcf->text()};
        for (QLabel *valor : valores)
            chave << valor->text();
        chave << lblDataNum->text() << QStringLiteral("cdsImpRedZ.data");

        auto numero = [&](int campo) { return FormatSettings::strToFloat(valores[size_t(campo - 1)]->text()); };
        const QVariant resultado = Srv_kal02700::setRedZ(
            FCdFilial, FCdCaixa, lblNrEcf->text(), lblSerieEcf->text(), lblContRedZ->text(), lblContRei->text(),
            Ajusta(lblNRCupIni->text(), 10), Ajusta(lblNrCupFin->text(), 10), numero(5), numero(6), numero(7),
            numero(8), numero(9), numero(10), numero(11), numero(12), numero(13),
            FormatSettings::strToDate(lblDataNum->text()), cdsImpRedZ.data(), modeloMarca);
        // The host learns from the method itself whether the day was committed.
        boRedZGravada = resultado.typeId() == QMetaType::Bool && resultado.toBool();
        if (boRedZGravada) {
            stMotivoRedZ.clear();
        } else {
            const QString causa = Srv_kal02700::UltimoErroSetRedZ();
            setReason(msgPadrao->Msg(QStringLiteral("DAD_N_GRAV"))
                      + (causa.isEmpty() ? QString() : QStringLiteral(" ") + causa));
        }

        const QVariant gravou = MensagemMetodo(resultado, true, 0, QStringLiteral("setRedZ"),
                                               QStringLiteral("cli_Kal02700"), chave.join(QLatin1Char('-')),
                                               FIdEsquema);
        if (!gravou.toBool()) {
            mensagem(QStringLiteral("DAD_N_GRAV"), tmErro);
            Close();
            return;
        }
        mensagem(QStringLiteral("DAD_GRAV"), tmInformacao);
        geraArquivosCat52();
        Close();
    } catch (const Exception &erro) {
        if (boRedZGravada) {
            semArquivoCat52(erro.message());
        } else {
            setReason(msgPadrao->Msg(QStringLiteral("DAD_N_GRAV")) + QStringLiteral(" ") + erro.message());
        }
        Mensagem(erro.message(), QString(), QStringLiteral("N"), QStringLiteral("N"), tmErro, QString(), FIdEsquema,
                 0, nullptr);
        Close();
    }
}

void TfrmCadRedz::semArquivoCat52(QString motivo)
{
    // The reason goes on the sentence: its first word in lower case, unless
    // it is an acronym.
    if (motivo.size() > 1 && motivo.at(0).isUpper() && !motivo.at(1).isUpper())
        motivo[0] = motivo.at(0).toLower();
    setReason(QStringLiteral("Redução Z gravada, mas o arquivo Cat-52 não foi gravado: ") + motivo);
}

void TfrmCadRedz::naoGravado(const QString &causa)
{
    setReason(msgPadrao->Msg(QStringLiteral("DAD_N_GRAV")) + QStringLiteral(" ") + causa);
    Mensagem(causa, QString(), QStringLiteral("N"), QStringLiteral("N"), tmErro, QString(), FIdEsquema, 0, nullptr);
    mensagem(QStringLiteral("DAD_N_GRAV"), tmErro);
    Close();
}

void TfrmCadRedz::mensagem(const QString &chave, TTipoMsg tipo)
{
    Mensagem(msgPadrao->Msg(chave), QString(), QStringLiteral("N"), QStringLiteral("N"), tipo, QString(), FIdEsquema,
             0, nullptr);
}

void TfrmCadRedz::montaImpostosDaImpressora()
{
    cdsImpRedZ.close();
    cdsImpRedZ.createDataSet();
    auto chaveDaReducao = [this] {
        cdsImpRedZCDFILIAL->setAsString(FCdFilial);
        cdsImpRedZCDCAIXA->setAsString(FCdCaixa);
        cdsImpRedZNRECFREDZ->setAsString(FNrEcf);
        cdsImpRedZDTREDUCAOZ->setAsDateTime(FDtReducao);
    };
    ClientDataSet &totalizadores = cdsTotalizadorParciaisTributados;
    if (!totalizadores.active() || totalizadores.isEmpty()) {
        // A day without taxed sales still carries one line, with no tax.
        cdsImpRedZ.insert();
        chaveDaReducao();
        cdsImpRedZCDIMPOSTO->setAsString(QStringLiteral("00"));
        cdsImpRedZVRALIQIMPRZ->setAsFloat(0);
        cdsImpRedZVRBCALCIMPRZ->setAsFloat(0);
        cdsImpRedZVRIMPOSTORZ->setAsFloat(0);
        cdsImpRedZ.post();
        return;
    }
    auto valor = [&](const char *campo) {
        return FormatSettings::strToFloat(totalizadores.fieldByName(QLatin1String(campo)).asString());
    };
    for (totalizadores.first(); !totalizadores.eof(); totalizadores.next()) {
        cdsImpRedZ.insert();
        chaveDaReducao();
        const QString codigo = Srv_kal02700::getPesqCdImposto(valor("VRALIQIMPFIS")).toString();
        // A tax code has at most two characters: a longer answer is the
        // lookup's failure message, which must not pass for a code.
        if (codigo.size() > 2)
            throw Exception(codigo);
        cdsImpRedZCDIMPOSTO->setAsString(
            !codigo.isEmpty() ? codigo : totalizadores.fieldByName(QStringLiteral("CDIMPOSTO")).asString());
        cdsImpRedZVRALIQIMPRZ->setAsFloat(valor("VRALIQIMPFIS"));
        cdsImpRedZVRBCALCIMPRZ->setAsFloat(valor("VRVENDIDO"));
        cdsImpRedZVRIMPOSTORZ->setAsFloat(valor("VRIMPOSTO"));
        cdsImpRedZ.post(); // the tax rule computes the tax sent
    }
}

void TfrmCadRedz::geraArquivosCat52()
{
    const int tipo = FormatSettings::strToInt(FIdTipoImpFis);
    const bool soComParametro = tipo == 18 || tipo == 19 || tipo == 27 || tipo == 32;
    const bool nunca = tipo == 22 || tipo == 24 || tipo == 29 || tipo == 31;
    if (nunca || (soComParametro && FIdGeraArqVndrio != QLatin1String("S")))
        return;

    Wmb00002::AtivaProcesso(frmCadRedz, msgPadrao->Msg(QStringLiteral("GERA_ARQUIVOS")), 0, 0);
    // The notice comes down on every way out, an error included.
    struct Aviso {
        ~Aviso() { Wmb00002::DesativaProcesso(); }
    } aviso;

    // The day is stored whatever becomes of its file; the host is told when
    // the file is not.
    QStringList arquivo;
    const QDate dia = AutomationDate::toDate(cdsImpRedZDTREDUCAOZ->asDateTime());
    const QVariantList parametros{cdsParametrosKiv.data(), QVariant(dia), QVariant(dia), QVariant(true)};
    QStringList caminhos;
    if (!Wmb00001::GeraCatGenerica)
        throw Exception(QStringLiteral("O pacote da impressora fiscal não está carregado."));
    if (!Wmb00001::GeraCatGenerica(parametros, caminhos)) {
        semArquivoCat52(QStringLiteral("O gerador de arquivos Cat-52 não gerou o arquivo."));
        return;
    }
    if (caminhos.isEmpty())
        throw Exception(QStringLiteral("O gerador de arquivos Cat-52 não informou o arquivo gerado."));

    const QString caminho = aparado(caminhos.first());
    if (QFileInfo(caminho).isFile())
        arquivo = linhasDoArquivo(caminho);
    // A day with figures never has an empty CAT-52 file: storing one would
    // pass a failed generation for a done one.
    if (arquivo.isEmpty())
        throw Exception(QStringLiteral("O arquivo Cat-52 %1 não existe ou está vazio.").arg(caminho));
    // The name is taken from the path as given, blanks included.
    const QString &original = caminhos.first();
    const qsizetype corte = std::max({original.lastIndexOf(QLatin1Char('\\')), original.lastIndexOf(QLatin1Char(':')),
                                      original.lastIndexOf(QLatin1Char('/'))});
    const QVariant resultado =
        Srv_kal02700::setArqCat52(FCdFilial, FCdCaixa, QStringLiteral("000"), QStringLiteral("000000000000"),
                                  FormatSettings::dateToStr(AutomationDate::fromDate(dia)), original.mid(corte + 1),
                                  arquivo);
    // The method's failure is not shown here (the save's notice stands), but
    // it is what the host reports.
    if (!resultado.toString().isEmpty())
        semArquivoCat52(resultado.toString());
}
