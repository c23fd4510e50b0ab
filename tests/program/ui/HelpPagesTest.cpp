#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <string>

#include "platform/help/WinHelp.h"

namespace {

// The help folder beside the program has its own page for every context the program opens.
TEST(HelpPages, EveryContextHasItsPageBesideTheProgram)
{
    const struct {
        DWORD context;
        const char* page;
    } topics[] = {{0x18008, "/Embrel.hlp/18008.html"}, {0x20066, "/Embrel.hlp/20066.html"},
                  {0x2010D, "/Embrel.hlp/2010d.html"}};
    for (const auto& topic : topics) {
        const std::string url = HelpTopicUrl(EMBREL_HELP, HELP_CONTEXT, topic.context);
        EXPECT_NE(url.find(topic.page), std::string::npos) << url;
    }
    EXPECT_NE(HelpTopicUrl(EMBREL_HELP, HELP_FINDER, 0).find("/Embrel.hlp/index.html"), std::string::npos);
}

TEST(HelpPages, LinksAndStyleSheetResolveAndPagesAreTitled)
{
    const QDir folder(QStringLiteral(EMBREL_HELP));
    const QStringList pages = folder.entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_EQ(pages.size(), 4);
    const QRegularExpression reference(QStringLiteral(R"((?:href|src)="([^"#:]+)(?:#[^"]*)?")"));
    for (const QString& page : pages) {
        QFile file(folder.filePath(page));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page.toStdString();
        const QString text = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(text.contains(QStringLiteral("<title>"))) << page.toStdString();
        int links = 0;
        for (auto match = reference.globalMatch(text); match.hasNext(); ++links) {
            const QString target = match.next().captured(1);
            EXPECT_TRUE(QFileInfo::exists(folder.filePath(target)))
                << page.toStdString() << " refers to missing " << target.toStdString();
        }
        EXPECT_GE(links, 5) << page.toStdString();  // the style sheet and the page bar
    }
}

}  // namespace
