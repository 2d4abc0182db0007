// Writes to a settings store from a process of its own, for the tests.
//   cubiform_hive_writer <store> write <prefix> <count>
//       commits <count> values "<prefix><i>" under "Race", one commit each
//   cubiform_hive_writer <store> crash <name> <value>
//       writes one value and dies between writing the new file and renaming it
#include "platform/Registry.h"
#include "platform/RegistryError.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: %s <store> write|crash <a> <b>\n", argv[0]);
        return 2;
    }
    THive& hive = THive::ForPath(args[1]);
    try {
        if (args[2] == QLatin1String("write")) {
            const int count = args[4].toInt();
            for (int i = 0; i < count; ++i) {
                TRegistry reg(hive);
                reg.OpenKey(QStringLiteral("Race"), true);
                reg.WriteString(args[3] + QString::number(i), QString::number(i));
                reg.CloseKey();
            }
            return 0;
        }
        if (args[2] == QLatin1String("crash")) {
            hive.SetBeforeRenameHook([](const QString&) { ::_exit(42); });
            TRegistry reg(hive);
            reg.OpenKey(QStringLiteral("Race"), true);
            reg.WriteString(args[3], args[4]);
            reg.CloseKey();
            return 0;  // not reached
        }
    } catch (const ERegistryException& e) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(e.Message()));
        return 1;
    }
    return 2;
}
