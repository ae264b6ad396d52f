#pragma once

#include <Gandalf/Camera.h>
#include <Gandalf/Matrix.h>
#include <Prm/Cache.h>

#include <map>
#include <tuple>

// Memoises, for one query, the transforms of tracked layers and the cameras
// of solved clips that the query needs more than once. Header code, so that
// every user of the core builds its own.
class VUVI_TrackCache : public Prm::Cache
{
public:
    // A layer's track at a time and view.
    struct TrackKey
    {
        unsigned int layerID = 0;
        double time = 0.0;
        int view = 0;
        bool operator<(const TrackKey& o) const
        {
            return std::tie(layerID, time, view) < std::tie(o.layerID, o.time, o.view);
        }
    };
    // A clip's camera at a time and view.
    struct CameraKey
    {
        unsigned int clipID = 0;
        double time = 0.0;
        int view = 0;
        bool operator<(const CameraKey& o) const
        {
            return std::tie(clipID, time, view) < std::tie(o.clipID, o.time, o.view);
        }
    };

    VUVI_TrackCache() = default;
    ~VUVI_TrackCache() override
    {
        m_cameras.clear();
        m_inverseTracks.clear();
        m_tracks.clear();
    }

    std::map<TrackKey, Gan_Matrix33>& tracks() { return m_tracks; }
    std::map<TrackKey, Gan_Matrix33>& inverseTracks() { return m_inverseTracks; }
    std::map<CameraKey, Gan_Camera>& cameras() { return m_cameras; }

private:
    std::map<TrackKey, Gan_Matrix33> m_tracks;
    std::map<TrackKey, Gan_Matrix33> m_inverseTracks;
    std::map<CameraKey, Gan_Camera> m_cameras;
};
