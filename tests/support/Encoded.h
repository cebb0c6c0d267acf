#pragma once

#include "Status.h"

#include <QByteArray>

// A format's bytes for a record, or empty when the format refuses it: for comparing with
// expected bytes in one expression.
template <class M>
QByteArray encoded(vt::Status (*encode)(const M &, QByteArray &), const M &model)
{
    QByteArray out;
    if (!encode(model, out))
        return {};
    return out;
}
