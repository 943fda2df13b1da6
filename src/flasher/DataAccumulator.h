#pragma once

#include <QByteArray>

namespace vexlo {

// Collects the output of both streams of one tool run, in the order the chunks arrive. Every
// append happens on the GUI thread, so it needs no lock.
class DataAccumulator
{
public:
    void append(const QByteArray &chunk) { m_data += chunk; }
    const QByteArray &data() const { return m_data; }

private:
    QByteArray m_data;
};

} // namespace vexlo
