// The base library's stand-ins: commands, mementos, hashes, signal blockers
// and percent-escaped paths.
#include <Bsc/Command.h>
#include <Bsc/FSPercentEscapedString.h>
#include <Bsc/Hash.h>
#include <Bsc/Memento.h>
#include <Bsc/ScopedSignalBlocker.h>

#include <QTextStream>
#include <QVariant>

#include <boost/make_shared.hpp>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

// Appends "+name" on doIt and "-name" on undoIt to a shared journal; can be
// told to fail.
class JournalCommand : public Bsc::Command
{
public:
    JournalCommand(QStringList& journal, QString name, bool fails = false, int* alive = nullptr)
        : m_journal(journal), m_name(std::move(name)), m_fails(fails), m_alive(alive)
    {
        if (m_alive)
            ++*m_alive;
    }
    ~JournalCommand() override
    {
        if (m_alive)
            --*m_alive;
    }
    void doIt() override
    {
        if (m_fails)
            throw std::runtime_error("fails");
        m_journal << "+" + m_name;
    }
    void undoIt() override { m_journal << "-" + m_name; }

private:
    QStringList& m_journal;
    QString m_name;
    bool m_fails;
    int* m_alive;
};

TEST(CompositeCommand, RunsChildrenInOrderAndUndoesThemInReverse)
{
    QStringList journal;
    int alive = 0;
    {
        Bsc::CompositeCommand command("Move");
        command.push_back(new JournalCommand(journal, "a", false, &alive));
        command.push_back(std::make_unique<JournalCommand>(journal, "b", false, &alive));
        command.push_back(static_cast<Bsc::Command*>(nullptr));
        EXPECT_EQ(command.size(), 2);
        EXPECT_EQ(command.usageLogInfo(), "Move");
        command.doIt();
        command.undoIt();
        command.doIt();
        EXPECT_EQ(alive, 2);
    }
    EXPECT_EQ(alive, 0) << "the composite owns its children";
    EXPECT_EQ(journal, (QStringList{"+a", "+b", "-b", "-a", "+a", "+b"}));
}

TEST(CompositeCommand, AFailingChildLeavesNoHalfEditBehind)
{
    QStringList journal;
    Bsc::CompositeCommand command;
    command.push_back(new JournalCommand(journal, "a"));
    command.push_back(new JournalCommand(journal, "b"));
    command.push_back(new JournalCommand(journal, "c", true));
    EXPECT_THROW(command.doIt(), std::runtime_error);
    EXPECT_EQ(journal, (QStringList{"+a", "+b", "-b", "-a"}));
}

class Counter : public Bsc::MementoUndoable
{
public:
    struct Snapshot : Bsc::MementoBase
    {
        explicit Snapshot(int v) : value(v) {}
        int value;
    };

    boost::shared_ptr<Bsc::MementoBase> exportState() const override { return boost::make_shared<Snapshot>(value); }
    void doImportState(boost::shared_ptr<Bsc::MementoBase> memento) override
    {
        value = dynamic_cast<Snapshot&>(*memento).value;
    }
    void postImportState() override { ++imports; }

    int value = 0;
    int imports = 0;
};

TEST(Memento, ImportRestoresTheStateAndThenRunsPostImport)
{
    Counter counter;
    counter.value = 4;
    const auto snapshot = counter.exportState();
    counter.value = 9;
    counter.importState(snapshot);
    EXPECT_EQ(counter.value, 4);
    EXPECT_EQ(counter.imports, 1);
}

TEST(Hash, DependsOnEveryByteAndItsOrder)
{
    const auto hashOf = [](const QByteArray& bytes) {
        Bsc::Hash hash;
        hash.addBytes(bytes.constData(), std::size_t(bytes.size()));
        return hash.value();
    };
    EXPECT_EQ(hashOf("ab"), hashOf("ab"));
    EXPECT_NE(hashOf("ab"), hashOf("ba"));
    EXPECT_NE(hashOf("ab"), hashOf("abc"));
    EXPECT_EQ(hashOf(""), Bsc::Hash().value());

    Bsc::Hash split;
    split.addBytes("a", 1);
    split.addBytes("b", 1);
    EXPECT_EQ(split.value(), hashOf("ab"));
}

TEST(ScopedSignalBlocker, BlocksForItsLifetimeUnlessAlreadyBlocked)
{
    QObject object;
    {
        Bsc::ScopedSignalBlocker outer(&object);
        EXPECT_TRUE(object.signalsBlocked());
        {
            Bsc::ScopedSignalBlocker inner(&object);
        }
        EXPECT_TRUE(object.signalsBlocked());
    }
    EXPECT_FALSE(object.signalsBlocked());

    auto* doomed = new QObject;
    {
        Bsc::ScopedSignalBlocker blocker(doomed);
        delete doomed;
    }
    Bsc::ScopedSignalBlocker none(nullptr);
}

struct EscapeCase
{
    QString text;
    QString escaped;
};

class PercentEscaping : public ::testing::TestWithParam<EscapeCase>
{
};

TEST_P(PercentEscaping, KeepsTextsOneTokenAndReadsThemBack)
{
    EXPECT_EQ(Bsc::percentEscape(GetParam().text), GetParam().escaped);
    EXPECT_EQ(Bsc::percentUnescape(GetParam().escaped), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Texts, PercentEscaping,
                         ::testing::Values(EscapeCase{"plain/path.exr", "plain/path.exr"}, EscapeCase{"", ""},
                                           EscapeCase{"a b", "a%20b"}, EscapeCase{"100%", "100%25"},
                                           EscapeCase{"f(x)=[1,2]", "f%28x%29%3D%5B1%2C2%5D"},
                                           EscapeCase{"tab\tline\n", "tab%09line%0A"},
                                           EscapeCase{QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac"),
                                                      QString::fromUtf8("caf\xc3\xa9%20\xe2\x82\xac")},
                                           // Spaces beyond ASCII, and a character beyond 16 bits kept
                                           EscapeCase{QString::fromUtf8("a\xc2\xa0"), "a%C2%A0"},
                                           EscapeCase{QString::fromUtf8("\xe3\x80\x80x\xe2\x80\xa8"),
                                                      "%E3%80%80x%E2%80%A8"},
                                           EscapeCase{QString::fromUtf8("\xc2\x85\xe2\x80\xa9"), "%C2%85%E2%80%A9"},
                                           EscapeCase{QString::fromUtf8("\xf0\x9f\x8e\xac"),
                                                      QString::fromUtf8("\xf0\x9f\x8e\xac")}));

TEST(PercentEscaping, KeepsBrokenEscapesLiterally)
{
    EXPECT_EQ(Bsc::percentUnescape("50%"), "50%");
    EXPECT_EQ(Bsc::percentUnescape("%zz%4"), "%zz%4");
    EXPECT_EQ(Bsc::percentUnescape("%41%62"), "Ab");
}

TEST(FSPercentEscapedString, ComparesByTextAndStreamsEscaped)
{
    const Bsc::FSPercentEscapedString path("/shots/take 1", 2);
    EXPECT_EQ(path, Bsc::FSPercentEscapedString("/shots/take 1", 0));
    EXPECT_NE(path, Bsc::FSPercentEscapedString("/shots/take 2", 2));
    EXPECT_EQ(path.safety(), 2);
    EXPECT_EQ(path.escaped(), "/shots/take%201");
    EXPECT_EQ(Bsc::FSPercentEscapedString::fromEscaped("a%20b").text(), "a b");

    QString text;
    QTextStream out(&text);
    out << path << ' ' << Bsc::FSPercentEscapedString("second", 0);
    out.flush();
    EXPECT_EQ(text, "/shots/take%201 second");

    QTextStream in(&text);
    Bsc::FSPercentEscapedString first;
    Bsc::FSPercentEscapedString second;
    in >> first >> second;
    EXPECT_EQ(first.text(), "/shots/take 1");
    EXPECT_EQ(second.text(), "second");
}

TEST(FSPercentEscapedString, ConvertsToAndFromStringVariants)
{
    QVariant variant(QStringLiteral("/a b"));
    ASSERT_TRUE(variant.convert(qMetaTypeId<Bsc::FSPercentEscapedString>()));
    EXPECT_EQ(variant.value<Bsc::FSPercentEscapedString>().text(), "/a b");
    EXPECT_EQ(QVariant::fromValue(Bsc::FSPercentEscapedString("/c", 0)).toString(), "/c");
}

} // namespace
