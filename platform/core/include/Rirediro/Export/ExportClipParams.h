#pragma once

#include <Rirediro/Clips/ClipID.h>

#include <Bsc/FSPercentEscapedString.h>
#include <Prm/Context.h>
#include <Prm/View.h>

#include <QString>
#include <QVector>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

namespace Prm {
class Views;
}
class VUVI_Layer;

namespace Rirediro {

// Everything a clip export needs to know: what is written (source clip,
// index range, views, channels) and where (folder, file names, kind).
class ExportClipParams
{
public:
    enum FootageKind { ImageSequence = 0, Movie = 1 };

    ExportClipParams();
    ~ExportClipParams();

    int exportOptions() const { return m_exportOptions; }
    void setExportOptions(int options) { m_exportOptions = options; }

    // Files are named folder/prefix + number + suffix + extension; the
    // number is zero-padded to the index width.
    const QString& clipPath() const { return m_clipPath; }
    void setClipPath(const QString& path) { m_clipPath = path; }
    const Bsc::FSPercentEscapedString& clipPrefix() const { return m_prefix; }
    void setClipPrefix(const Bsc::FSPercentEscapedString& prefix) { m_prefix = prefix; }
    const Bsc::FSPercentEscapedString& clipSuffix() const { return m_suffix; }
    void setClipSuffix(const Bsc::FSPercentEscapedString& suffix) { m_suffix = suffix; }
    const QString& clipExtension() const { return m_extension; }
    void setClipExtension(const QString& extension) { m_extension = extension; }
    unsigned int clipIndexWidth() const { return m_indexWidth; }
    void setClipIndexWidth(unsigned int width) { m_indexWidth = width; }
    // The number of the first file written.
    unsigned int firstFileNumber() const { return m_firstFileNumber; }
    void setFirstFileNumber(unsigned int number) { m_firstFileNumber = number; }
    unsigned int step() const { return m_step; }
    void setStep(unsigned int step) { m_step = step; }
    FootageKind footageKind() const { return m_footageKind; }
    void setFootageKind(int kind) { m_footageKind = kind == Movie ? Movie : ImageSequence; }

    // The clip whose frames are written (eClipID), and the clip to show
    // again after the export (eRevertClipID, 0: none).
    TQ::ClipID sourceClipID() const { return eClipID; }
    void setSourceClipID(TQ::ClipID id) { eClipID = id; }
    TQ::ClipID revertClipID() const { return eRevertClipID; }
    void setRevertClipID(TQ::ClipID id) { eRevertClipID = id; }
    TQ::ClipID eClipID = 0;
    TQ::ClipID eRevertClipID = 0;

    // The layers whose mattes are written instead of the clip's frames
    // (none: the frames), in order. The parameters do not keep them alive
    // (copies of parameters live on in the saver's journal): layers that
    // have gone are left out.
    void addLayerToExport(const boost::shared_ptr<VUVI_Layer>& layer) { m_layers.append(layer); }
    QVector<boost::shared_ptr<VUVI_Layer>> layersToExport() const;

    // Channels and format, as ClipSaveHelper::setupChannelsAndFormat chose.
    int channels() const { return m_channels; }
    void setChannels(int channels) { m_channels = channels; }
    const QVector<bool>& formatFlags() const { return m_formatFlags; }
    void setFormatFlags(const QVector<bool>& flags) { m_formatFlags = flags; }

    // The project frames written, as ClipSaveHelper::populateClipIndices set them.
    unsigned int firstProjectFrame() const { return m_firstProjectFrame; }
    unsigned int lastProjectFrame() const { return m_lastProjectFrame; }
    bool pulldown() const { return m_pulldown; }
    void setClipIndices(unsigned int first, unsigned int last, bool pulldown);

    // The views written and whether they go into one joint stream, whose
    // frames show the views side by side, left to right in this order.
    const QVector<Prm::View>& viewsToExport() const { return m_views; }
    bool jointViews() const { return m_joint; }
    void setViewsToExport(const QVector<Prm::View>& views, const boost::shared_ptr<Prm::Views>& projectViews,
                          bool joint);

    // The file written for a frame number (the context's time) and view.
    // When several views are written in streams of their own, each view's
    // files end in "_" and the view's abbreviation before the extension.
    QString fileNameForFrame(const Prm::Context& context) const;

private:
    int m_exportOptions = 0;
    QString m_clipPath;
    Bsc::FSPercentEscapedString m_prefix;
    Bsc::FSPercentEscapedString m_suffix;
    QString m_extension;
    unsigned int m_indexWidth = 1;
    unsigned int m_firstFileNumber = 0;
    unsigned int m_step = 1;
    FootageKind m_footageKind = ImageSequence;
    QVector<boost::weak_ptr<VUVI_Layer>> m_layers;
    int m_channels = 0;
    QVector<bool> m_formatFlags;
    unsigned int m_firstProjectFrame = 0;
    unsigned int m_lastProjectFrame = 0;
    bool m_pulldown = false;
    QVector<Prm::View> m_views;
    boost::shared_ptr<Prm::Views> m_projectViews;
    bool m_joint = false;
};

} // namespace Rirediro
