#include "Finding.h"
#include "LedgerValues.h"

QString Finding::expected() const
{
    switch (values) {
    case Values::Money:
        return LedgerValues::dotMoney(expectedCents);
    case Values::Text:
        return expectedText;
    case Values::None:
        break;
    }
    return {};
}

QString Finding::found() const
{
    switch (values) {
    case Values::Money:
        return LedgerValues::dotMoney(foundCents);
    case Values::Text:
        return foundText;
    case Values::None:
        break;
    }
    return {};
}
