// The lines a build window keeps: the head and the tail of the output with one row counting
// what was dropped between them, checked row by row and by Qt's model tester, which fails the
// test on any inconsistent insert or remove it sees.
#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

#include "workspace/BuildOutput.h"

namespace {

std::vector<BuildOutput::Line> Numbered(int first, int count) {
    std::vector<BuildOutput::Line> lines;
    for (int n = first; n < first + count; ++n)
        lines.push_back({QString::number(n), BuildOutput::Kind::Plain, nullptr});
    return lines;
}

QStringList Shown(const BuildOutput& output) {
    QStringList rows;
    for (int row = 0; row < output.Rows(); ++row) {
        const BuildOutput::Line* line = output.At(row);
        rows << (line ? line->text : QStringLiteral("..."));
    }
    return rows;
}

TEST(BuildOutput, KeepsTheHeadAndTheTailAndCountsWhatWentBetween) {
    BuildOutput output(nullptr, 3, 4);
    QAbstractItemModelTester tester(&output, QAbstractItemModelTester::FailureReportingMode::Fatal);

    output.Append(Numbered(1, 2));
    EXPECT_EQ(Shown(output), QStringList({"1", "2"}));
    output.Append(Numbered(3, 5)); // fills the head, then the tail
    EXPECT_EQ(Shown(output), QStringList({"1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(output.Dropped(), 0);

    // One line too many: the oldest tail line goes and a row says so.
    output.Append(Numbered(8, 1));
    EXPECT_EQ(Shown(output), QStringList({"1", "2", "3", "...", "5", "6", "7", "8"}));
    EXPECT_EQ(output.Dropped(), 1);
    EXPECT_TRUE(
        output.data(output.index(3), Qt::DisplayRole).toString().contains("1 line of output is"));

    // A batch larger than the tail: only its last lines stay, everything else is counted.
    output.Append(Numbered(9, 100));
    EXPECT_EQ(Shown(output), QStringList({"1", "2", "3", "...", "105", "106", "107", "108"}));
    EXPECT_EQ(output.Dropped(), 1 + 4 + 96);
    EXPECT_EQ(output.Widest(), 3);

    output.Clear();
    EXPECT_EQ(output.Rows(), 0);
    EXPECT_EQ(output.Dropped(), 0);
    output.Append(Numbered(1, 1));
    EXPECT_EQ(Shown(output), QStringList({"1"}));
}

TEST(BuildOutput, HundredThousandLinesStayWithinTheCap) {
    BuildOutput output(nullptr);
    for (int batch = 0; batch < 100; ++batch)
        output.Append(Numbered(batch * 1000, 1000));
    EXPECT_EQ(output.Rows(), BuildOutput::DefaultHeadLines + 1 + BuildOutput::DefaultTailLines);
    EXPECT_EQ(output.Dropped(),
              100'000 - BuildOutput::DefaultHeadLines - BuildOutput::DefaultTailLines);
    EXPECT_EQ(output.At(0)->text, "0");
    EXPECT_EQ(output.At(output.Rows() - 1)->text, "99999");
    EXPECT_EQ(output.At(BuildOutput::DefaultHeadLines), nullptr);
}

} // namespace
