#include "SystemError.h"

#include <cerrno>
#include <cstring>

namespace SystemError {

QString words(int code, Doing doing)
{
    const bool reading = doing == Doing::Reading;
    switch (code) {
    case ENOENT:
        return reading ? QStringLiteral("não encontrado") : QStringLiteral("a pasta não existe");
    case ENOTDIR:
        return reading ? QStringLiteral("uma parte do caminho não é uma pasta") : QStringLiteral("a pasta não existe");
    case EACCES:
    case EPERM:
        return reading ? QStringLiteral("sem permissão de leitura") : QStringLiteral("sem permissão de gravação");
    case EIO:
        return reading ? QStringLiteral("erro de leitura no disco") : QStringLiteral("erro de gravação no disco");
    case ENOSPC:
        return QStringLiteral("disco cheio");
    case EDQUOT:
        return QStringLiteral("cota de disco esgotada");
    case EFBIG:
        return QStringLiteral("o arquivo passou do tamanho permitido");
    case EPIPE:
        return QStringLiteral("quem lia a saída a fechou");
    case EROFS:
        return QStringLiteral("disco somente para leitura");
    case EISDIR:
        return QStringLiteral("é uma pasta");
    case ENXIO:
        return QStringLiteral("nenhum programa lê esse FIFO (pipe)");
    case ENAMETOOLONG:
        return QStringLiteral("nome de arquivo longo demais");
    case ELOOP:
        return QStringLiteral("ligações simbólicas demais no caminho");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("arquivos abertos demais no sistema");
    default:
        return QStringLiteral("erro %1 do sistema (%2)").arg(code).arg(QString::fromLocal8Bit(std::strerror(code)));
    }
}

} // namespace SystemError
