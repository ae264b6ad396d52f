#include "ColorParameters.h"

#include "Python/InUse.h"
#include "Python/PyHelpers.h"

#include <optional>

ColorParameters::ColorParameters(Colorspace colorspace, ColorConversion conversion, float offset, float softclip,
                                 float log_reference_white, float log_reference_black, float gamma)
    : QObject(nullptr)
    , SbkCleaner(this)
    , m_colorspace(colorspace)
    , m_conversion(conversion)
    , m_offset(offset)
    , m_softclip(softclip)
    , m_logReferenceWhite(log_reference_white)
    , m_logReferenceBlack(log_reference_black)
    , m_gamma(gamma)
{
}

ColorParameters::~ColorParameters() = default;

ColorParameters& ColorParameters::operator=(const ColorParameters& other)
{
    if (this == &other)
        return *this;
    m_colorspace = other.m_colorspace;
    m_conversion = other.m_conversion;
    m_offset = other.m_offset;
    m_softclip = other.m_softclip;
    m_logReferenceWhite = other.m_logReferenceWhite;
    m_logReferenceBlack = other.m_logReferenceBlack;
    m_gamma = other.m_gamma;
    announceChange();
    return *this;
}

bool ColorParameters::operator==(const ColorParameters& other) const
{
    return this == &other
           || (m_colorspace == other.m_colorspace && m_conversion == other.m_conversion && m_offset == other.m_offset
               && m_softclip == other.m_softclip && m_logReferenceWhite == other.m_logReferenceWhite
               && m_logReferenceBlack == other.m_logReferenceBlack && m_gamma == other.m_gamma);
}

void ColorParameters::set_colorspace(Colorspace colorspace)
{
    m_colorspace = colorspace;
    announceChange();
}

void ColorParameters::set_conversion(ColorConversion conversion)
{
    m_conversion = conversion;
    announceChange();
}

void ColorParameters::set_offset(float offset)
{
    m_offset = offset;
    announceChange();
}

void ColorParameters::set_softclip(float softclip)
{
    m_softclip = softclip;
    announceChange();
}

void ColorParameters::set_log_reference_white(float white)
{
    m_logReferenceWhite = white;
    announceChange();
}

void ColorParameters::set_log_reference_black(float black)
{
    m_logReferenceBlack = black;
    announceChange();
}

void ColorParameters::set_gamma(float gamma)
{
    m_gamma = gamma;
    announceChange();
}

void ColorParameters::announceChange()
{
    // Python slots may hear it and wait for threads that use the core: the
    // core is lent meanwhile. The clip that follows these settings (and
    // deletes them with itself) is held for the emission, so that another
    // thread's deletion of it waits. One that is going already hears
    // nothing, nor does anyone else: its settings go with it.
    std::optional<PyHelpers::InUse> follower;
    if (QObject* clip = m_follower.data()) {
        follower.emplace(clip);
        if (!follower->held() || !m_follower)
            return;
    }
    const PyHelpers::CoreUnlocked lent;
    Q_EMIT propertyChanged();
}
