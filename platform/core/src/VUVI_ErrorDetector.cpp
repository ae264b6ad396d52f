#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>
#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>

VUVI_ErrorDetector* VUVI_ErrorDetector::instance()
{
    static VUVI_ErrorDetector detector;
    return &detector;
}

void VUVI_ErrorDetector::init()
{
    instance()->m_initialised = true;
}

void VUVI_ErrorDetector::setFullErrorDetection(bool full, bool, bool)
{
    instance()->m_fullDetection = full;
}

VUVI_ErrorDetector::~VUVI_ErrorDetector() = default;

void VUVI_ErrorDetector::record(int checkNumber, const QString& sourceFile, int line, const QString& conditionText,
                                const QString& message)
{
    m_lastFailure = Failure{checkNumber, sourceFile, line, conditionText, message};
}

void VUVI_ErrorDetector::check(bool condition, const QString& sourceFile, int line, const QString& conditionText,
                               const QString& message)
{
    if (condition)
        return;
    record(1, sourceFile, line, conditionText, message);
    Rirediro::throwException<VUVI_AssertionFailed>(sourceFile.toUtf8().constData(), line, message, message);
}

void VUVI_ErrorDetector::checkNotNull(bool condition, const QString& sourceFile, int line,
                                      const QString& conditionText, const QString& message)
{
    if (condition)
        return;
    record(2, sourceFile, line, conditionText, message);
    Rirediro::throwException<VUVI_AssertionFailed>(sourceFile.toUtf8().constData(), line, message, message);
}

void VUVI_ErrorDetector::checkRange(bool condition, const QString& sourceFile, int line, const QString& conditionText,
                                    const QString& message)
{
    if (condition)
        return;
    record(3, sourceFile, line, conditionText, message);
    Rirediro::throwException<VUVI_OutOfRange>(sourceFile.toUtf8().constData(), line, message, message);
}

void VUVI_ErrorDetector::checkOperation(bool condition, const QString& sourceFile, int line,
                                        const QString& conditionText, const QString& message)
{
    if (condition)
        return;
    record(4, sourceFile, line, conditionText, message);
    Rirediro::throwException<VUVI_OperationFailed>(sourceFile.toUtf8().constData(), line, message, message);
}
