#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>

#include <QDebug>

VUVI_Exception::~VUVI_Exception() = default;

void VUVI_Exception::Dump() const
{
    qWarning().noquote() << QStringLiteral("%1 (%2:%3): %4")
                                .arg(m_kind, QString::fromStdString(m_file))
                                .arg(m_line)
                                .arg(m_text);
}
