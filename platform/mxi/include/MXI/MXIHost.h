#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <map>

// The plug-in interface of a host application that runs the application on
// its behalf: what the host says about the call (its mode, its capabilities,
// its views, its project and its sources) and the modal state it grants.
//
// This interface stands in for the host: its answers are set beforehand (a
// test scripts them) and every question asked of it is kept, oldest first,
// in questions().
class MXIHost
{
public:
    // One source of the host (a clip or node it tracks), as the host lists it.
    struct Source
    {
        unsigned int identifier = 0;
        // Whether the host wants the source's tracking shown.
        bool tracked = false;
    };

    MXIHost();
    virtual ~MXIHost();
    MXIHost(const MXIHost&) = delete;
    MXIHost& operator=(const MXIHost&) = delete;

    // ---- questions ----
    // How the host called: which dialog or window it asks for.
    int callMode() const;
    bool hasCapability(int capability) const;
    // Whether the host shows its views in swapped order.
    bool viewsSwapped() const;
    // Whether the host splits the view of that index from the others.
    bool splitsView(int viewIndex) const;
    // The project file the host keeps for the call.
    QString projectFile() const;
    QVector<Source> sources() const;
    bool isSourceTracked(unsigned int identifier) const;
    // The project layers (by layer id) that the host tracks points with for
    // a source, by the host's identifiers.
    std::map<unsigned int, unsigned int> pointTrackingLayers(unsigned int sourceIdentifier) const;
    // Asks the host to block its own interface while the application runs
    // (false: refused), and to release it again (false: it could not).
    bool enterModal();
    bool exitModal();
    bool isModal() const { return m_modal; }

    // ---- the scripted answers ----
    void setCallMode(int mode) { m_callMode = mode; }
    void setCapability(int capability, bool present);
    void setViewsSwapped(bool swapped) { m_viewsSwapped = swapped; }
    void setSplitView(int viewIndex, bool split);
    void setProjectFile(const QString& path) { m_projectFile = path; }
    void setSources(const QVector<Source>& sources) { m_sources = sources; }
    void setPointTrackingLayers(unsigned int sourceIdentifier, const std::map<unsigned int, unsigned int>& layers);
    void setRefusesModal(bool refuses) { m_refusesModal = refuses; }
    void setFailsToLeaveModal(bool fails) { m_failsToLeaveModal = fails; }

    // Each question as "<operation>" or "<operation> <argument>".
    const QStringList& questions() const { return m_questions; }
    void clearQuestions() { m_questions.clear(); }

private:
    void ask(const QString& question) const { m_questions.append(question); }

    int m_callMode = 0;
    QVector<int> m_capabilities;
    bool m_viewsSwapped = false;
    QVector<int> m_splitViews;
    QString m_projectFile;
    QVector<Source> m_sources;
    std::map<unsigned int, std::map<unsigned int, unsigned int>> m_pointTrackingLayers;
    bool m_refusesModal = false;
    bool m_failsToLeaveModal = false;
    bool m_modal = false;
    mutable QStringList m_questions;
};
