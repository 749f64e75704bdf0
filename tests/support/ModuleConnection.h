#pragma once
// Points the shared services at a database and has the module's one data
// module connect to it afresh, as a screen set-up of a new process would.
#include "SharedServicesHost.h"
#include "Srv_kal02700.h"

inline void connectModuleTo(const QString &connectionString)
{
    SharedServicesHost::setConnectionString(connectionString);
    if (!Srv_kal02700::rdmCadRedz)
        Srv_kal02700::rdmCadRedz = new Srv_kal02700::TrdmCadRedz();
    // The data module lives for the process: a new database needs a new session.
    Srv_kal02700::rdmCadRedz->adcCadRedz.setConnected(false);
    Srv_kal02700::rdmCadRedz->adcCadRedz.setConnected(true);
}
