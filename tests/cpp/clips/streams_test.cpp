// Stream and view edits of a project clip on a two-view project.

#include "ClipTestSupport.h"

#include <Prm/Views.h>
#include <Rirediro/Project/ProjectProperties.h>

using cliptest::expectFailure;

namespace {

class Streams : public ::testing::Test
{
protected:
    Streams()
    {
        m_made.core().projectProperties().views()->addView(QStringLiteral("Right"), QStringLiteral("R"));
        m_right = footage::writeSequence(folder("right"), QStringLiteral("r_"), 1, 5);
    }
    QString folder(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    Clip& clip() { return m_made.clip(); }

    QTemporaryDir m_dir;
    cliptest::ProjectOfSequence m_made{folder("left"), 1, 5};
    QString m_right;
};

TEST_F(Streams, AddStreamGivesTheViewItsOwnStream)
{
    const StreamInfo left = clip().get_info(View(0));
    clip().add_stream(m_right, View(1), 2, 4, true);

    EXPECT_EQ(clip().get_views(), (QVector<View>{View(0), View(1)}));
    const StreamInfo right = clip().get_info(View(1));
    EXPECT_EQ(right.get_path(), QFileInfo(folder("right")).absoluteFilePath());
    EXPECT_EQ(right.get_prefix(), QStringLiteral("r_"));
    EXPECT_EQ(right.get_start_frame(), 2u);
    EXPECT_EQ(right.get_end_frame(), 4u);
    EXPECT_EQ(right.get_index_width(), 4u);
    EXPECT_EQ(clip().get_info(View(0)).__repr__(), left.__repr__());
    EXPECT_TRUE(clip().internalClip()->clipInfo().isSequence().value(Prm::View(1)));
}

TEST_F(Streams, AddStreamWithoutValidationTakesAnyRange)
{
    clip().add_stream(QStringLiteral("/nowhere/n_01.png"), View(1), 7, 3, false);
    const StreamInfo right = clip().get_info(View(1));
    EXPECT_EQ(right.get_path(), QStringLiteral("/nowhere"));
    EXPECT_EQ(right.get_prefix(), QStringLiteral("n_"));
    EXPECT_EQ(right.get_start_frame(), 7u);
    EXPECT_EQ(right.get_end_frame(), 3u);
    EXPECT_EQ(right.get_index_width(), 2u);
}

TEST_F(Streams, FailedEditsChangeNothing)
{
    const QString missing = folder("missing_0001.png");
    const QString before = cliptest::streamsOf(clip());
    const struct
    {
        std::function<void()> call;
        bool range; // a range check (else a file error)
        QString message;
    } cases[] = {
        // The project view is checked before the file is looked at.
        {[&] { clip().add_stream(missing, View(7), 1, 1, true); }, true, "No such project view: 'View(7)'."},
        {[&] { clip().add_stream(m_right, View(0), 1, 1, true); }, true, "Clip 'Plate' already has view 'View(0)'"},
        {[&] { clip().add_stream(missing, View(1), 1, 1, true); }, false, QString("File '%1' does not exist.").arg(missing)},
        {[&] { clip().add_stream(folder("right"), View(1), 1, 1, true); }, false,
         QString("'%1' is not a file.").arg(folder("right"))},
        {[&] { clip().add_stream(m_right, View(1), 0, 3, true); }, true,
         "start_frame '0' out of range (must be between '1' and '5')"},
        {[&] { clip().add_stream(m_right, View(1), 1, 6, true); }, true,
         "stop_frame '6' out of range (must be between '1' and '5')"},
        {[&] { clip().add_stream(m_right, View(1), 4, 2, true); }, true,
         "Wrong frame range. Start index is greater than stop one."},
        {[&] { clip().delete_stream(View(1)); }, true, "Clip 'Plate' does not have the view 'View(1)'"},
        {[&] { clip().assign_project_view(View(0), View(9)); }, true, "No such project view: 'View(9)'."},
        {[&] { clip().assign_project_view(View(3), View(1)); }, true, "Clip 'Plate' does not have the view 'View(3)'"},
    };
    for (const auto& c : cases) {
        if (c.range)
            expectFailure<VUVI_OutOfRange>(c.call, c.message);
        else
            expectFailure<VUVI_BadFile>(c.call, c.message);
        EXPECT_EQ(cliptest::streamsOf(clip()), before) << c.message.toStdString();
    }
}

TEST_F(Streams, DeleteStreamRemovesTheView)
{
    clip().add_stream(m_right, View(1), 1, 5, true);
    clip().delete_stream(View(1));
    EXPECT_EQ(clip().get_views(), QVector<View>{View(0)});
}

TEST_F(Streams, ProjectViewsShowTheClipViewsAssignedToThem)
{
    const QMap<View, View> initial = clip().get_view_mapping();
    EXPECT_EQ(initial.value(View(0)), View(0));
    EXPECT_EQ(initial.value(View(1)), View(0)); // a view the clip lacks shows its first

    clip().add_stream(m_right, View(1), 1, 5, true);
    EXPECT_EQ(clip().get_view_mapping().value(View(1)), View(1));
    clip().assign_project_view(View(0), View(1));
    const QMap<View, View> mapping = clip().get_view_mapping();
    EXPECT_EQ(mapping.value(View(1)), View(0));
    EXPECT_EQ(mapping.value(View(0)), View(0));
    // Project view 1 now reads the left stream.
    EXPECT_EQ(clip().get_info(View(1)).get_prefix(), QStringLiteral("f"));
}

TEST_F(Streams, ApplyRewritesOneViewsStream)
{
    clip().add_stream(m_right, View(1), 1, 5, true);
    const StreamInfo left = clip().get_info(View(0));
    clip().apply(StreamInfo(QStringLiteral("/elsewhere"), QStringLiteral("p"), QStringLiteral(".exr"), 10, 20, 3),
                 View(1));
    EXPECT_EQ(clip().get_info(View(1)).__repr__(),
              StreamInfo(QStringLiteral("/elsewhere"), QStringLiteral("p"), QStringLiteral(".exr"), 10, 20, 3).__repr__());
    EXPECT_EQ(clip().get_info(View(0)).__repr__(), left.__repr__());
}

TEST_F(Streams, FrameSizeRateAndOffsetReachTheBaseInfo)
{
    clip().set_frame_size(qMakePair(64u, 48u));
    clip().set_frame_rate(25.0f);
    clip().set_first_frame_offset(-3);
    EXPECT_EQ(clip().get_frame_size(), qMakePair(64u, 48u));
    EXPECT_FLOAT_EQ(clip().get_frame_rate(), 25.0f);
    EXPECT_EQ(clip().get_first_frame_offset(), -3);
    EXPECT_EQ(clip().internalClip()->baseClip().baseInfo().frameWidth(), 64u);
    EXPECT_TRUE(m_made.core().projectHasChanged());
}

} // namespace
