#include "ColorParameters.h"

#include "Clip.h"
#include "Python/InUse.h"
#include "Python/PyHelpers.h"

#include <QCoreApplication>
#include <QMetaMethod>
#include <QThread>

#include <exception>

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
    // Its thread may end before a clip takes it, and Qt moves an object
    // only from its own thread, or one that belongs to none: until a clip
    // takes it, it belongs to none, unless made on the application's thread.
    const QCoreApplication* application = QCoreApplication::instance();
    if (!application || application->thread() != QThread::currentThread())
        moveToThread(nullptr);
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

void ColorParameters::addFollower(Clip* clip)
{
    const std::lock_guard<std::mutex> lock(m_followersMutex);
    m_followers.removeAll(QPointer<QObject>()); // clips gone since
    if (!m_followers.contains(clip))
        m_followers.append(clip);
}

void ColorParameters::removeFollower(Clip* clip)
{
    const std::lock_guard<std::mutex> lock(m_followersMutex);
    m_followers.removeAll(QPointer<QObject>(clip));
}

QVector<QPointer<QObject>> ColorParameters::followers() const
{
    const std::lock_guard<std::mutex> lock(m_followersMutex);
    return m_followers;
}

void ColorParameters::announceChange()
{
    // The clips are called directly, not through the signal: each is held
    // while it writes, so that another thread's deletion of it waits, and
    // one that is going already (a Qt connection would still reach it) is
    // left out. A clip that cannot take the settings in (its project is
    // gone) keeps no other from them: its error is thrown once all have
    // been told.
    std::exception_ptr failure;
    for (const QPointer<QObject>& follower : followers()) {
        const PyHelpers::GuardedUse use(follower);
        try {
            if (QObject* clip = use.get())
                static_cast<Clip*>(clip)->onColorParametersChanged();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    // Python slots may hear it and wait for threads that use the core: the
    // core is lent meanwhile, and only when someone listens (a clip being
    // set up announces with no one to hear, amid work on the core).
    static const QMetaMethod changed = QMetaMethod::fromSignal(&ColorParameters::propertyChanged);
    if (isSignalConnected(changed)) {
        const PyHelpers::CoreUnlocked lent;
        Q_EMIT propertyChanged();
    }
    if (failure)
        std::rethrow_exception(failure);
}
