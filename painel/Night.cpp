#include "Night.h"

void StateCounts::add(RegisterState state)
{
    ++caixas;
    switch (state) {
    case RegisterState::Gravada:
        ++gravada;
        break;
    case RegisterState::SemCat52:
        ++semCat52;
        break;
    case RegisterState::ComErro:
        ++comErro;
        break;
    case RegisterState::Pendente:
        ++pendente;
        break;
    }
}

void NightRegister::Marks::add(const QList<Finding> &findings)
{
    for (const Finding &f : findings) {
        if (f.rule == QLatin1String("DIA_SEM_REDUCAO"))
            continue;
        error = error || f.severity == Severity::Erro;
        withoutFile = withoutFile || f.rule == QLatin1String("CAT52_AUSENTE");
    }
}

void NightRegister::Marks::add(const Marks &other)
{
    error = error || other.error;
    withoutFile = withoutFile || other.withoutFile;
}

RegisterState NightRegister::stateOf(bool hasReduction, const Marks &marks)
{
    if (marks.error)
        return RegisterState::ComErro;
    if (!hasReduction)
        return RegisterState::Pendente;
    return marks.withoutFile ? RegisterState::SemCat52 : RegisterState::Gravada;
}

StateCounts NightBranch::totais() const
{
    StateCounts counts;
    for (const NightRegister &r : caixas)
        counts.add(r.estado);
    return counts;
}

StateCounts Night::totais() const
{
    StateCounts counts;
    for (const NightBranch &b : filiais)
        for (const NightRegister &r : b.caixas)
            counts.add(r.estado);
    return counts;
}

Night Night::onlyBranch(const QString &cdFilial) const
{
    Night night = *this;
    night.filiais.clear();
    for (const NightBranch &b : filiais)
        if (b.cdFilial == cdFilial)
            night.filiais << b;
    return night;
}

Night Night::within(const BranchScope &scope) const
{
    if (scope.everyBranch())
        return *this;
    Night night = *this;
    night.filiais.clear();
    for (const NightBranch &b : filiais)
        if (scope.allows(b.cdFilial))
            night.filiais << b;
    return night;
}

QString Night::stateName(RegisterState state)
{
    switch (state) {
    case RegisterState::Gravada:
        return QStringLiteral("gravada");
    case RegisterState::SemCat52:
        return QStringLiteral("sem_cat52");
    case RegisterState::ComErro:
        return QStringLiteral("com_erro");
    case RegisterState::Pendente:
        break;
    }
    return QStringLiteral("pendente");
}

QDate Night::current(const QDateTime &now, const QTime &virada)
{
    return now.time() >= virada ? now.date() : now.date().addDays(-1);
}
