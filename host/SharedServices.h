#pragma once
// What the module asks of the host's shared services package. A store's host
// supplies the library behind these declarations.
#include "AutomationDate.h"
#include <QString>
#include <QVariant>

class AdoConnection;
class ClientDataSet;
class Exception;
class QWidget;

enum TTipoMsg { tmInformacao = 0, tmConfirmacao = 1, tmAviso = 2, tmErro = 3 };

// Shows the text as a modal notice and returns when it is acknowledged.
void Mensagem(const QString &texto, const QString &titulo, const QString &flagSom, const QString &flagLog,
              TTipoMsg tipo, const QString &complemento, const QString &idEsquema, int codigo, ClientDataSet *dados);

// True (as a boolean variant) when a server method's result reports success.
QVariant MensagemMetodo(const QVariant &resultado, bool mostraErro, int codigo, const QString &metodo,
                        const QString &unidade, const QString &chave, const QString &idEsquema);

QString MontaRodapeGeral(bool completo, const QString &codTela, const QString &flag);
QString Ajusta(const QString &texto, int largura);
bool EmptyString(const QString &texto);
double Trunc2(double valor);

QString _GetStringConexKiv(const QString &chave);
void SetADODBSession(AdoConnection &connection);
void TryConnect(AdoConnection &connection);
QString ADOExceptionMessage(const Exception &error, AdoConnection &connection, const QString &complemento);

void Trad(QWidget *form);
