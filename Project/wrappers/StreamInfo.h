#pragma once

#include <QString>

// The image stream of one view of a clip: where its files are and which
// frames they cover. 4294967295 as a frame means "not given".
class StreamInfo
{
public:
    static constexpr unsigned int NoFrame = 4294967295u;

    StreamInfo(const QString& path = QString(), const QString& prefix = QString(), const QString& suffix = QString(),
               unsigned int start_frame = NoFrame, unsigned int end_frame = NoFrame, unsigned int index_width = 0)
        : m_path(path), m_prefix(prefix), m_suffix(suffix)
        , m_startFrame(start_frame), m_endFrame(end_frame), m_indexWidth(index_width)
    {
    }
    virtual ~StreamInfo() = default;

    QString get_path() const { return m_path; }
    void set_path(const QString& path) { m_path = path; }
    QString get_prefix() const { return m_prefix; }
    void set_prefix(const QString& prefix) { m_prefix = prefix; }
    QString get_suffix() const { return m_suffix; }
    void set_suffix(const QString& suffix) { m_suffix = suffix; }
    unsigned int get_start_frame() const { return m_startFrame; }
    void set_start_frame(unsigned int frame) { m_startFrame = frame; }
    unsigned int get_end_frame() const { return m_endFrame; }
    void set_end_frame(unsigned int frame) { m_endFrame = frame; }
    unsigned int get_index_width() const { return m_indexWidth; }
    void set_index_width(unsigned int width) { m_indexWidth = width; }

    QString __repr__() const;

private:
    QString m_path;
    QString m_prefix;
    QString m_suffix;
    unsigned int m_startFrame;
    unsigned int m_endFrame;
    unsigned int m_indexWidth;
};

uint qHash(const StreamInfo& info);
