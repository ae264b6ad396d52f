#pragma once

#include <TQ/ColorSpaceSettings.h>
#include <TQ/DiscreteFrame.h>
#include <TQ/InterlaceMode.h>

#include <Prm/ClipModeParameter.h>
#include <Prm/Parameter.h>

#include <Bsc/FSPercentEscapedString.h>

#include <QMap>
#include <QString>
#include <QVector>

#include <vector>

// How a clip reads its footage: one image stream per clip view (folder,
// file prefix and suffix, index range and width), which clip view each
// project view shows, and the colour handling of the pixels.
//
// The stream settings are parameters with a value per view. Address them at
// the view remapViewIfRequired gives, so that a project view reads the clip
// view it is mapped to.
class TQ_ClipInfo
{
public:
    // Mapping modes of remapViewIfRequired.
    enum ViewMapping { NoMapping = 0, ProjectToClipView = 1 };
    // importStreams: take the source's whole range.
    static constexpr unsigned int AllFrames = 0xFFFFFFFFu;

    // One stream for the default view, of one unnumbered file.
    TQ_ClipInfo();
    TQ_ClipInfo(const TQ_ClipInfo& other);
    TQ_ClipInfo& operator=(const TQ_ClipInfo& other);
    ~TQ_ClipInfo();
    // The info of a clip derived from this one (a render's output): the
    // same views, length and colour handling; its streams are still this
    // clip's until the maker of the derived clip points them at its files.
    TQ_ClipInfo copyInfoForDerivedClip() const;

    // ---- streams, a value per view ----
    Prm::Parameter<QString>& streamPath() { return m_streamPath; }
    const Prm::Parameter<QString>& streamPath() const { return m_streamPath; }
    Prm::Parameter<Bsc::FSPercentEscapedString>& prefix() { return m_prefix; }
    const Prm::Parameter<Bsc::FSPercentEscapedString>& prefix() const { return m_prefix; }
    Prm::Parameter<Bsc::FSPercentEscapedString>& suffix() { return m_suffix; }
    const Prm::Parameter<Bsc::FSPercentEscapedString>& suffix() const { return m_suffix; }
    Prm::Parameter<unsigned int>& firstIndex() { return m_firstIndex; }
    const Prm::Parameter<unsigned int>& firstIndex() const { return m_firstIndex; }
    Prm::Parameter<unsigned int>& lastIndex() { return m_lastIndex; }
    const Prm::Parameter<unsigned int>& lastIndex() const { return m_lastIndex; }
    Prm::Parameter<unsigned int>& indexWidth() { return m_indexWidth; }
    const Prm::Parameter<unsigned int>& indexWidth() const { return m_indexWidth; }
    // Whether the stream is a numbered image sequence (else one file).
    Prm::Parameter<bool>& isSequence() { return m_isSequence; }
    const Prm::Parameter<bool>& isSequence() const { return m_isSequence; }
    const Prm::Parameter<unsigned int>& length() const { return m_length; }
    // Every parameter of the record, each known by its script name.
    std::vector<Prm::ParameterWithoutType*> parameters();
    std::vector<const Prm::ParameterWithoutType*> parameters() const;

    // The first and last index a view reads.
    unsigned int minIndex(const Prm::View& view = Prm::View(), ViewMapping mapping = ProjectToClipView) const;
    unsigned int maxIndex(const Prm::View& view = Prm::View(), ViewMapping mapping = ProjectToClipView) const;
    // The number of frames of a view; Prm::View::INVALID sets every view's.
    void setLength(unsigned int length, const Prm::View& view);
    // Sets every view's length from its number of files: two fields per file
    // for field-interlaced footage, one frame per file otherwise.
    void setLengthFromFileCount(TQ_INTERLACE_MODE mode);

    // The file of one index of a view's stream, and the first one.
    QString fileNameForIndex(const Prm::View& view, unsigned int index) const;
    QString firstFileName(const Prm::View& view = Prm::View()) const;

    // ---- views ----
    const std::vector<Prm::View>& views() const { return m_views; }
    // Replaces the list of views (a stored record being read back); an
    // empty list is ignored. Stream settings are left as they are.
    void setViews(const std::vector<Prm::View>& views);
    bool hasView(const Prm::View& view) const;
    // With ProjectToClipView: the clip view a project view reads.
    Prm::View remapViewIfRequired(const Prm::View& view, int mapping) const;
    // The clip view a project view shows: the one assigned to it, else the
    // view of the same id, else the clip's first view.
    Prm::View clipViewForProjectView(const Prm::View& projectView) const;
    void setClipViewForProjectView(const Prm::View& projectView, const Prm::View& clipView);
    // The assignments made with setClipViewForProjectView, by project view.
    const QMap<Prm::View, Prm::View>& viewAssignments() const { return m_clipViewForProjectView; }
    // Adds `view` with the stream the source's default view reads (its
    // range cut to `length` frames unless that is AllFrames); replaces the
    // view's stream when it has one.
    void importStreams(const TQ_ClipInfo& source, const Prm::View& view, unsigned int length);
    // Removes a view with its stream and the assignments to it; the last
    // view is never removed.
    bool deleteClipView(const Prm::View& view);

    // ---- settings of the whole clip ----
    // Whether the frame rate and the film type were set by the user rather
    // than read from the footage.
    Prm::Parameter<TQ_CLIP_MODE>& frameRateMode() { return m_frameRateMode; }
    Prm::Parameter<TQ_CLIP_MODE>& filmTypeMode() { return m_filmTypeMode; }
    const Prm::Parameter<TQ_CLIP_MODE>& frameRateMode() const { return m_frameRateMode; }
    const Prm::Parameter<TQ_CLIP_MODE>& filmTypeMode() const { return m_filmTypeMode; }
    // Whether decoded frames are cached, and the proxy level they are read at.
    int cacheFrames() const { return m_cacheFrames; }
    void setCacheFrames(int cache) { m_cacheFrames = cache; }
    int proxyLevel() const { return m_proxyLevel; }
    void setProxyLevel(int level) { m_proxyLevel = level; }
    // 1 when the reader removes 3:2 pull-down from pull-down footage.
    int pulldownRemoval() const { return m_pulldownRemoval; }
    void setPulldownRemoval(int removal) { m_pulldownRemoval = removal; }
    // A clean plate holds no footage streams of its own.
    bool isCleanplate() const { return m_cleanplate; }
    void setCleanplate(bool cleanplate) { m_cleanplate = cleanplate; }

    TQ_ColorSpaceSettings& colorSpaceSettings() { return m_colorSpace; }
    const TQ_ColorSpaceSettings& colorSpaceSettings() const { return m_colorSpace; }
    const QVector<TQ::DiscreteFrame>& discreteFrames() const { return m_discreteFrames; }
    void setDiscreteFrames(const QVector<TQ::DiscreteFrame>& frames) { m_discreteFrames = frames; }

private:
    template <typename F>
    void forEachStreamParameter(F&& visit);
    void configureParameters();

    Prm::Parameter<QString> m_streamPath;
    Prm::Parameter<Bsc::FSPercentEscapedString> m_prefix;
    Prm::Parameter<Bsc::FSPercentEscapedString> m_suffix;
    Prm::Parameter<unsigned int> m_firstIndex;
    Prm::Parameter<unsigned int> m_lastIndex;
    Prm::Parameter<unsigned int> m_indexWidth;
    Prm::Parameter<bool> m_isSequence;
    Prm::Parameter<unsigned int> m_length;
    Prm::Parameter<TQ_CLIP_MODE> m_frameRateMode;
    Prm::Parameter<TQ_CLIP_MODE> m_filmTypeMode;
    std::vector<Prm::View> m_views;
    QMap<Prm::View, Prm::View> m_clipViewForProjectView;
    int m_cacheFrames = 0;
    int m_proxyLevel = 1;
    int m_pulldownRemoval = 0;
    bool m_cleanplate = false;
    TQ_ColorSpaceSettings m_colorSpace;
    QVector<TQ::DiscreteFrame> m_discreteFrames;
};
