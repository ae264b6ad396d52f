#include "TQ/CameraParameterSet.h"

TQ_CameraParameterSet::TQ_CameraParameterSet(Prm::ParameterSet* parentSet)
    : Prm::ParameterSet(QStringLiteral("camera"), parentSet)
{
    m_filmBackUnits.setScriptName(QStringLiteral("filmBackUnits"));
    m_filmBackUnits.vSetDefault(Inches);
    m_focalLengthUnits.setScriptName(QStringLiteral("focalLengthUnits"));
    m_focalLengthUnits.vSetDefault(Millimetres);
    for (Prm::Parameter<unsigned int>* parameter : {&m_filmBackUnits, &m_focalLengthUnits}) {
        addParameter(parameter);
        parameter->attachObserver(this);
    }
}

TQ_CameraParameterSet::~TQ_CameraParameterSet()
{
    m_filmBackUnits.detachObserver(this);
    m_focalLengthUnits.detachObserver(this);
}
