#include "Prm/ParameterStrings.h"

#include <QLocale>

#include <cmath>

namespace Prm {

namespace ParameterStrings {
const QString views = QStringLiteral("views");
const QString keyframes = QStringLiteral("keyframes");
const QString value = QStringLiteral("value");
const QString hidden = QStringLiteral("hidden");
const QString isKeyframed = QStringLiteral("isKeyframed");
const QString after = QStringLiteral("after");
const QString before = QStringLiteral("before");
const QString masterParameterId = QStringLiteral("MasterParameterId");
const QString key = QStringLiteral("Key");
const QString bezierKey = QStringLiteral("BezierKey");
} // namespace ParameterStrings

namespace detail {

namespace {

// A small cursor over one declaration; every step either consumes what it
// expects or reports failure.
class Scanner
{
public:
    explicit Scanner(const QString& text) : m_text(text) {}

    void skipSpace()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
    }
    bool expect(QChar c)
    {
        skipSpace();
        if (m_pos >= m_text.size() || m_text.at(m_pos) != c)
            return false;
        ++m_pos;
        return true;
    }
    bool expectWord(const QString& word)
    {
        skipSpace();
        if (m_text.midRef(m_pos, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            return false;
        m_pos += word.size();
        return true;
    }
    QString identifier()
    {
        skipSpace();
        const int start = m_pos;
        while (m_pos < m_text.size() && (m_text.at(m_pos).isLetterOrNumber() || m_text.at(m_pos) == QLatin1Char('_')))
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }
    // Everything up to the next ')', which is consumed.
    bool untilClosing(QString& inner)
    {
        const int closing = m_text.indexOf(QLatin1Char(')'), m_pos);
        if (closing < 0)
            return false;
        inner = m_text.mid(m_pos, closing - m_pos);
        m_pos = closing + 1;
        return true;
    }
    bool atEnd()
    {
        skipSpace();
        return m_pos == m_text.size();
    }

private:
    const QString& m_text;
    int m_pos = 0;
};

bool parseHandle(const QString& text, double& handle)
{
    bool ok = false;
    handle = text.toDouble(&ok);
    return ok && std::isfinite(handle);
}

} // namespace

QString formatNumber(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

std::vector<View> parseViewList(const QString& line)
{
    std::vector<View> views;
    const int opening = line.indexOf(QLatin1Char('['));
    const int closing = line.indexOf(QLatin1Char(']'), opening + 1);
    if (opening < 0 || closing < 0)
        return views;
    const QString inner = line.mid(opening + 1, closing - opening - 1);
    for (const QString& entry : inner.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int id = entry.trimmed().toInt(&ok);
        if (ok && id >= 0 && id <= View::MAX_PREFIX_ID)
            views.push_back(View(id));
    }
    return views;
}

bool parseKeyframeDeclaration(const QString& declaration, QString& timeText, QString& valueText, IType& itype)
{
    Scanner scan(declaration);
    if (!scan.expectWord(ParameterStrings::keyframes) || !scan.expect(QLatin1Char('.'))
        || !scan.expectWord(QStringLiteral("append")) || !scan.expect(QLatin1Char('(')))
        return false;
    const QString constructor = scan.identifier();
    QString inner;
    if (!scan.expect(QLatin1Char('(')) || !scan.untilClosing(inner) || !scan.expect(QLatin1Char(')')) || !scan.atEnd())
        return false;

    QStringList arguments = inner.split(QLatin1Char(','));
    for (QString& argument : arguments)
        argument = argument.trimmed();

    IType parsed;
    if (constructor.compare(ParameterStrings::key, Qt::CaseInsensitive) == 0) {
        if (arguments.size() != 3 || !bStringToInterpolationType(arguments[2], parsed.interpolation))
            return false;
    } else if (constructor.compare(ParameterStrings::bezierKey, Qt::CaseInsensitive) == 0) {
        if (arguments.size() != 6)
            return false;
        parsed.interpolation = InterpolationBezier;
        for (int i = 0; i < 4; ++i) {
            if (!parseHandle(arguments[2 + i], parsed.data[std::size_t(i)]))
                return false;
        }
    } else {
        return false;
    }
    timeText = arguments[0];
    valueText = arguments[1];
    itype = parsed;
    return true;
}

} // namespace detail
} // namespace Prm
