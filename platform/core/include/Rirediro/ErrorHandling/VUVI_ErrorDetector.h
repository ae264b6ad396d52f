#pragma once

#include <QString>

// The core's precondition checks. A failed check never returns: it throws,
// with the check's message as the exception text:
//   check           VUVI_AssertionFailed
//   checkNotNull    VUVI_AssertionFailed
//   checkRange      VUVI_OutOfRange
//   checkOperation  VUVI_OperationFailed
// The last failure is kept for inspection.
class VUVI_ErrorDetector
{
public:
    struct Failure
    {
        int checkNumber = 0; // 1 to 4, 0 when nothing failed
        QString sourceFile;
        int line = 0;
        QString conditionText;
        QString message;
    };

    static VUVI_ErrorDetector* instance();
    static void init();
    static void setFullErrorDetection(bool full, bool breakOnError, bool logOnly);

    virtual ~VUVI_ErrorDetector();
    virtual void check(bool condition, const QString& sourceFile, int line, const QString& conditionText,
                       const QString& message);
    virtual void checkNotNull(bool condition, const QString& sourceFile, int line, const QString& conditionText,
                              const QString& message);
    virtual void checkRange(bool condition, const QString& sourceFile, int line, const QString& conditionText,
                            const QString& message);
    virtual void checkOperation(bool condition, const QString& sourceFile, int line, const QString& conditionText,
                                const QString& message);

    bool isInitialised() const { return m_initialised; }
    bool fullErrorDetection() const { return m_fullDetection; }
    Failure lastFailure() const { return m_lastFailure; }
    void clearLastFailure() { m_lastFailure = Failure(); }

private:
    VUVI_ErrorDetector() = default;
    void record(int checkNumber, const QString& sourceFile, int line, const QString& conditionText,
                const QString& message);

    bool m_initialised = false;
    bool m_fullDetection = false;
    Failure m_lastFailure;
};
