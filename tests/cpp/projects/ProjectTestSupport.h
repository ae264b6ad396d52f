#pragma once

#include "clips/ClipTestSupport.h"

#include "Project/wrappers/Project.h"

#include <Product/Settings.h>

#include <QStringList>

namespace projecttest {

using cliptest::expectFailure;
using cliptest::ProjectOfSequence;

// Everything a script sees of a project besides its clips, as one text, so
// that a test can show that a failed call changed nothing or that a saved
// project came back whole.
inline QString describe(const Project& project)
{
    QStringList views;
    for (const ViewInfo& view : project.get_views())
        views << view.__repr__();
    const QPair<unsigned int, unsigned int> range = project.get_in_out_range();
    return QStringList{
        QStringLiteral("notes=") + project.get_notes(),
        QStringLiteral("file=") + project.get_project_file(),
        QStringLiteral("range=%1-%2").arg(range.first).arg(range.second),
        QStringLiteral("rate=%1").arg(double(project.get_frame_rate()), 0, 'g', 9),
        QStringLiteral("interlace=%1").arg(project.get_interlace_mode()),
        QStringLiteral("output=") + project.get_output_dir(),
        QStringLiteral("offset=%1").arg(project.get_first_frame_offset()),
        QStringLiteral("length=%1").arg(project.get_length()),
        QStringLiteral("hero=") + project.get_default_hero_view().__repr__(),
        QStringLiteral("views=") + views.join(QLatin1Char(',')),
    }
        .join(QLatin1Char(';'));
}

// Overrides product settings for the life of the object.
class SettingOverrides
{
public:
    SettingOverrides() = default;
    ~SettingOverrides() { Product::Settings::reload(); }
    SettingOverrides(const SettingOverrides&) = delete;
    SettingOverrides& operator=(const SettingOverrides&) = delete;

    void set(const QString& key, const QVariant& value) { Product::Settings::setValue(key, value, true); }
};

} // namespace projecttest
