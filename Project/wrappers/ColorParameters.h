#pragma once

#include "Project/wrappers/Enums.h"
#include "Python/SbkCleaner.h"

#include <QObject>
#include <QPointer>
#include <QVector>

#include <mutex>

class Clip;

// The colour handling of a clip's footage. Every change reaches the clips
// that follow the object (each writes the settings into its clip
// information), then emits propertyChanged().
class ColorParameters : public QObject, private SbkCleaner
{
    Q_OBJECT
public:
    ColorParameters(Colorspace colorspace = LinearColorspace, ColorConversion conversion = NoneConversion,
                    float offset = 0.f, float softclip = 0.f, float log_reference_white = 685.f,
                    float log_reference_black = 0.f, float gamma = 1.f);
    ~ColorParameters() override;

    // Copies the seven settings (never the object's identity, parent or
    // connections) and emits propertyChanged() once; self-assignment does
    // nothing.
    ColorParameters& operator=(const ColorParameters& other);
    // Exact comparison of the seven settings: a NaN makes two objects unequal.
    bool operator==(const ColorParameters& other) const;
    bool operator!=(const ColorParameters& other) const { return !(*this == other); }

    Colorspace get_colorspace() const { return m_colorspace; }
    ColorConversion get_conversion() const { return m_conversion; }
    float get_offset() const { return m_offset; }
    float get_softclip() const { return m_softclip; }
    float get_log_reference_white() const { return m_logReferenceWhite; }
    float get_log_reference_black() const { return m_logReferenceBlack; }
    float get_gamma() const { return m_gamma; }

    // Each setter emits propertyChanged(), also when the value is unchanged.
    void set_colorspace(Colorspace colorspace);
    void set_conversion(ColorConversion conversion);
    void set_offset(float offset);
    void set_softclip(float softclip);
    void set_log_reference_white(float white);
    void set_log_reference_black(float black);
    void set_gamma(float gamma);

    // The clips that follow these settings: the one holding the object, and
    // those that held it before and never let go. From any thread.
    void addFollower(Clip* clip);
    void removeFollower(Clip* clip);

Q_SIGNALS:
    void propertyChanged();

private:
    // Tells the followers, then emits propertyChanged() with the core lent
    // to other threads.
    void announceChange();
    QVector<QPointer<QObject>> followers() const;

    mutable std::mutex m_followersMutex;
    QVector<QPointer<QObject>> m_followers;

    Colorspace m_colorspace;
    ColorConversion m_conversion;
    float m_offset;
    float m_softclip;
    float m_logReferenceWhite;
    float m_logReferenceBlack;
    float m_gamma;
};
