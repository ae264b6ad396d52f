#pragma once

#include "Project/wrappers/ControlPointData.h"
#include "Project/wrappers/Layer.h"
#include "Project/wrappers/View.h"

#include <Gandalf/Matrix.h>
#include <Rirediro/Export/ShapeExport.h>

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVector>

#include <cstdint>

// The shapes of one layer over a range of frames, baked once by the core
// when the record is made: the frame's geometry, every contour's curves and
// the layer's track. What the record reads of the layer later (its clip's
// timing, its in and out points, its contours) is read live.
class ShapeExportData
{
public:
    // One shape's keyframes as scripts receive them.
    struct BakedShape
    {
        QByteArray name;  // the contour's name, UTF-8
        QString kind;     // "XSpline" or "Bezier"
        struct Frame
        {
            float key;
            QVector<XControlPointData> xsplinePoints;
            QVector<BezierControlPointData> bezierPoints;
        };
        QVector<Frame> frames; // in the record's order; a later equal key wins
    };

    // VUVI_BadState "Invalid object" when the layer or its project is gone.
    ShapeExportData(Layer layer, int firstFrame, int lastFrame, View view = View(0), double accuracy_treshold = 2.0,
                    bool extra_matrix = true, bool keyframes_only = true, bool xspline_support = true);
    ShapeExportData(const ShapeExportData&) = default;
    ShapeExportData& operator=(const ShapeExportData&) = default;
    virtual ~ShapeExportData();

    float get_frame_width() const { return m_exportShape.frameWidth; }
    float get_frame_height() const { return m_exportShape.frameHeight; }
    float get_filmback_aspect_ratio() const { return m_exportShape.filmbackAspectRatio; }
    float get_pixel_aspect_ratio() const { return m_exportShape.pixelAspectRatio; }
    Layer get_layer() const { return m_layer; }
    View get_view() const { return View(Prm::View(m_view)); }
    bool get_extra_matrix() const { return m_extraMatrix; }
    bool get_keyframes_only() const { return m_keyframesOnly; }
    bool get_xspline_support() const { return m_xsplineSupport; }
    const VUVI_ExportShape* exportShapeData() const { return &m_exportShape; }

    // The layer's track per frame key; none without a track in the record.
    QMap<float, Gan_Matrix33> get_transforms() const;
    // Every shape's keyframes within the layer's in and out points. A shape
    // without a contour at its index: VUVI_OutOfRange. A key that cannot be
    // rounded: boost::math::rounding_error.
    QVector<BakedShape> bakedKeyframes() const;

    // The flag word a record asks the core for.
    static int flagWord(bool extra_matrix, bool keyframes_only, bool xspline_support);

private:
    Layer m_layer;
    VUVI_ExportShape m_exportShape;
    bool m_extraMatrix;
    bool m_keyframesOnly;
    bool m_xsplineSupport;
    std::int32_t m_view;
};
