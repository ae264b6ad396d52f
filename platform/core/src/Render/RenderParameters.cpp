#include "LC/RenderParameters.h"

namespace LC {

RenderClipParameters::RenderClipParameters()
{
    m_inputClip.setScriptName(QStringLiteral("inputClipID"));
    m_outputClip.setScriptName(QStringLiteral("outputClipID"));
}

RenderClipParameters::~RenderClipParameters() = default;

InsertParameterSet::InsertParameterSet()
{
    m_insertClip.setScriptName(QStringLiteral("insertClipID"));
}

ReorientParameterSet::ReorientParameterSet()
{
    m_angle.setScriptName(QStringLiteral("angle"));
}

} // namespace LC
