#pragma once

#include "logs/client_address.h"

#include <QByteArray>
#include <QString>

// A published list of a crawler's addresses:
// {"creationTime": "...", "prefixes": [{"ipv4Prefix": "66.249.64.0/27"}, {"ipv6Prefix": "…"}]}
struct AddressList
{
    QString creationTime;  // as the list says; empty when it does not
    AddressRanges ranges;
    int prefixCount = 0;
};

// The list in these bytes, taken whole or not at all: `problem` says why not
// (not JSON, no "prefixes" array, an invalid prefix) and the result is empty.
AddressList ParseAddressList(const QByteArray &json, QString *problem);
