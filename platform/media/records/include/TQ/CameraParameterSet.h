#pragma once

#include <Prm/Parameter.h>
#include <Prm/ParameterChange.h>
#include <Prm/ParameterSet.h>

#include <QVector>

// The camera that shot a clip's footage, as the camera solver reads it. Each
// base clip has one.
class TQ_CameraParameterSet : public Prm::ParameterSet, private Prm::ParameterObserver
{
    Q_OBJECT
public:
    // The units of lengths on the film back and of the focal length.
    enum Units : unsigned int { Inches = 0, Millimetres = 1 };

    explicit TQ_CameraParameterSet(Prm::ParameterSet* parentSet = nullptr);
    ~TQ_CameraParameterSet() override;

    Prm::Parameter<unsigned int>& filmBackUnits() { return m_filmBackUnits; }
    const Prm::Parameter<unsigned int>& filmBackUnits() const { return m_filmBackUnits; }
    Prm::Parameter<unsigned int>& focalLengthUnits() { return m_focalLengthUnits; }
    const Prm::Parameter<unsigned int>& focalLengthUnits() const { return m_focalLengthUnits; }

    // Every change the set's parameters announced, oldest first; tests read it.
    const QVector<Prm::ParameterChange>& announcedChanges() const { return m_announced; }

private:
    void parameterChanged(const Prm::ParameterChange& change) override { m_announced.append(change); }

    Prm::Parameter<unsigned int> m_filmBackUnits;
    Prm::Parameter<unsigned int> m_focalLengthUnits;
    QVector<Prm::ParameterChange> m_announced;
};
