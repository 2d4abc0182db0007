// Two programs running at once, each adding a template: both survive.
#include "platform/HiveTestSupport.h"
#include "resources/StringTable.h"
#include "settings/ProgramKey.h"
#include "templates/TemplateList.h"

#include <QCoreApplication>
#include <QProcess>

#include <memory>

TEST_F(THiveTest, TemplatesAddedByTwoProgramsAtOnceBothSurvive)
{
    const QString adder = QCoreApplication::applicationDirPath() + QStringLiteral("/cubiform_template_adder");
    QStringList added;
    // Rounds, so that later pairs also keep what earlier ones stored.
    for (int round = 0; round < 3; ++round) {
        QProcess first, second;
        const QString a = QStringLiteral("First %1").arg(round), b = QStringLiteral("Second %1").arg(round);
        first.start(adder, {a});
        second.start(adder, {b});
        // Both have loaded the store before either changes it.
        ASSERT_TRUE(first.waitForReadyRead(10000)) << first.readAllStandardError().constData();
        ASSERT_TRUE(second.waitForReadyRead(10000)) << second.readAllStandardError().constData();
        first.write("go\n");
        second.write("go\n");
        for (QProcess* p : {&first, &second}) {
            ASSERT_TRUE(p->waitForFinished(10000));
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().constData();
        }
        added << a << b;

        const std::unique_ptr<TTemplateContainer> store(TTemplateContainer::CreateReg(nullptr, ProgramKey()));
        store->SetAutoSave(false);
        const QStringList names = store->GetTemplateNames();
        EXPECT_EQ(names.count(LoadStr(StrId::SampleTemplateName)), 1) << names.join(", ").toStdString();
        for (const QString& name : added) {
            const TTemplateItem* item = store->FindTemplate(name);
            ASSERT_NE(item, nullptr) << "lost " << name.toStdString() << " in round " << round;
            EXPECT_EQ(item->SideImage(), QStringLiteral("/faces/") + name + QStringLiteral("-side.jpg"));
            EXPECT_EQ(item->DefaultWidth(), 200);
        }
        EXPECT_EQ(names.size(), added.size() + 1);
    }
}
