// libFuzzer target: the project file reader (the zip, its entry names, the
// manifest and the pictures in it).
#include "editing/ProjectFile.h"
#include "platform/MemoryBudget.h"
#include "FuzzLimits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Under the fuzzer's memory limit: a picture past it is refused by the
    // same code as one past the program's.
    static const bool limited = (membudget::SetLimit(std::int64_t(64) << 20), true);
    (void)limited;
    TProjectDocument doc;
    QString why;
    if (ReadProject(TByteSpan(data, size), QStringLiteral("fuzz"), doc, &why)) {
        for (const TProjectFace& face : doc.Faces) {
            if (!face.Base.IsEmpty()) CheckDecoded(face.Base);
            for (const TProjectLayer& layer : face.Layers) {
                CheckDecoded(layer.Picture);
                if (layer.Text.Level < 0 || layer.Text.Level > 4 || layer.Text.Turn < 0 || layer.Text.Turn > 3)
                    __builtin_trap();
            }
        }
    } else if (why.isEmpty()) {
        __builtin_trap(); // a refusal always says why
    }
    return 0;
}
