#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

namespace Prm {

class BasicParameter;
class ParameterWithoutType;

// A named group of parameters and of further sets. A set owns its subsets
// (as Qt children) but not its parameters, which belong to the objects that
// hold them; a destroyed parameter or subset leaves its set's lists. A set
// may also show sets that others own as further subsets (see shownSubsets).
class ParameterSet : public QObject
{
    Q_OBJECT
public:
    explicit ParameterSet(const QString& scriptName = QString(), ParameterSet* parentSet = nullptr);
    ~ParameterSet() override;

    QString scriptName() const { return m_scriptName; }
    void setScriptName(const QString& name) { m_scriptName = name; }
    QString displayName() const { return m_displayName; }
    void setDisplayName(const QString& name) { m_displayName = name; }

    // The set's own parameters, in the order they joined.
    const QVector<ParameterWithoutType*>& parameters() const { return m_parameters; }
    // The direct subsets: the set's own, in the order they joined, then the
    // sets it shows.
    QVector<ParameterSet*> subsets() const;

    void addParameter(ParameterWithoutType* parameter);

    // The direct subset or own parameter with that script name; null when
    // there is none.
    ParameterSet* subsetWithName(const QString& name) const;
    BasicParameter* parameterWithName(const QString& name) const;

    // With `recursive` true, visits every parameter in and below the set:
    // the set's own, then each subset's, depth first. With false, visits the
    // parameters a set offers beyond its own list; a plain set has none, and
    // sets that compute parameters on the fly override this.
    virtual void forEachParameter(const boost::function<void(ParameterWithoutType*)>& visit, bool recursive) const;

    // Finds the set again later, as the object it is then: undo histories
    // keep finders, not sets. Owners that are rebuilt as new objects under
    // the same id (an undone removal) find themselves by id; a subset is
    // found by its name in its parent set; any other set finds itself while
    // it lives. A finder keeps nothing alive; what it finds is held by the
    // pointer it returns.
    using Finder = boost::function<boost::shared_ptr<ParameterSet>()>;
    virtual Finder finder() const;

protected:
    // Sets owned elsewhere that this set shows as subsets after its own,
    // asked anew at every use (a project shows its clips). None for a plain
    // set.
    virtual QVector<ParameterSet*> shownSubsets() const { return {}; }

private:
    friend class ParameterWithoutType;

    QString m_scriptName;
    QString m_displayName;
    QVector<ParameterWithoutType*> m_parameters;
    QVector<ParameterSet*> m_subsets;
};

} // namespace Prm
