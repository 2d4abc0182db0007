// Adds one template from a process of its own, the way the program does:
// loads the store at start, changes it later, saves it at the end.
//   cubiform_template_adder <name>
// Prints a line once the store is loaded, then waits for a line on its
// standard input before adding <name> and saving.
#include "platform/RegistryError.h"
#include "templates/TemplateList.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <name>\n", argv[0]);
        return 2;
    }
    const QString name = QString::fromLocal8Bit(argv[1]);
    try {
        TTemplateContainer* store = TemplateContainer(0);
        EnsureSampleTemplate(store);
        std::puts("loaded");
        std::fflush(stdout);
        char line[16];
        if (!std::fgets(line, sizeof line, stdin)) return 3;
        TTemplateItem* item = store->AddTemplate();
        item->SetItemName(name);
        item->SetFrontImage(QStringLiteral("/faces/") + name + QStringLiteral("-front.jpg"));
        item->SetSideImage(QStringLiteral("/faces/") + name + QStringLiteral("-side.jpg"));
        item->SetDefaultWidth(200);
        item->SetDefaultHeight(260);
        TemplateContainer(1);
    } catch (const ERegistryException& e) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(e.Message()));
        return 1;
    }
    return 0;
}
