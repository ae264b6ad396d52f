#pragma once

#include "Prm/Interpolation.h"
#include "Prm/View.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace Prm {

// The version of a project file; only its number orders versions.
struct ProjectFileVersion
{
    uint32_t number = 0;

    bool operator<(const ProjectFileVersion& o) const { return number < o.number; }
    bool operator>=(const ProjectFileVersion& o) const { return !(*this < o); }
};

namespace StreamVersion {
// The first version whose parameter blocks carry view lists ("views=[...]").
inline constexpr ProjectFileVersion anyViewList{3};
// The version written now.
inline constexpr ProjectFileVersion current{4};
} // namespace StreamVersion

// The words of a parameter's text form.
namespace ParameterStrings {
extern const QString views;
extern const QString keyframes;
extern const QString value;
extern const QString hidden;
extern const QString isKeyframed;
extern const QString after;
extern const QString before;
extern const QString masterParameterId;
// The constructor names of keyframe lines: plain and bezier keyframes.
extern const QString key;
extern const QString bezierKey;
} // namespace ParameterStrings

namespace detail {

// A number as the text form writes times and bezier handles: the shortest
// text that reads back as the same double ("10", "12.5", "0.1", "2e+06").
QString formatNumber(double value);

// The views of a "views=[0, 2]" line. Entries that are not view ids between
// 0 and View::MAX_PREFIX_ID are skipped; a line without brackets gives none.
std::vector<View> parseViewList(const QString& line);

// Splits a keyframe declaration as SerialisedKeyframe::toString writes it,
// "keyframes.append( Key( <time>, <value>, <interpolation> ) )" or
// "keyframes.append( BezierKey( <time>, <value>, <x1>, <y1>, <x2>, <y2> ) )",
// into the time text, the value text and the segment's interpolation record.
// Keywords are matched case-insensitively and white space is free. False
// (outputs unchanged) on anything else, including handles that are not
// finite numbers and unknown interpolation names.
bool parseKeyframeDeclaration(const QString& declaration, QString& timeText, QString& valueText, IType& itype);

} // namespace detail
} // namespace Prm
