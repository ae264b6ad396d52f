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

#include <Rirediro/ErrorHandling/VUVI_Throw.h>

void vThrowException(const char* file, int line, const QString& message, const QString& detail)
{
    Rirediro::throwException<VUVI_OperationFailed>(file, line, message, detail);
}
