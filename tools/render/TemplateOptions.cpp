#include "TemplateOptions.h"

#include "platform/RegistryError.h"
#include "templates/TemplateList.h"

namespace {

void Report(std::FILE* err, const QString& message)
{
    std::fprintf(err, "cubiform-render: %s\n", qPrintable(message));
}

// Runs use(container) on the loaded store, then frees it; the store is written
// only when this run added the sample template. Store errors become status 1;
// so does a template that failed to load when the run needs them all.
template <class F>
int WithTemplateStore(std::FILE* err, F use, bool needsAll = false)
{
    bool incomplete = false;
    try {
        TTemplateContainer* store = nullptr;
        try {
            store = TemplateContainer(0);
        } catch (const ERegistryException& e) {
            // A template that failed to load is told once; the store holds
            // the others, so a listing or another template still works.
            Report(err, e.Message());
            incomplete = needsAll;
            store = TemplateContainer(0);
        }
        store->SetAutoSave(EnsureSampleTemplate(store));
        const int status = use(store);
        TemplateContainer(1);
        return incomplete ? 1 : status;
    } catch (const ERegistryException& e) {
        // The program ends here; a store left loaded is never written.
        Report(err, e.Message());
        return 1;
    }
}

} // namespace

int ListTemplates(std::FILE* out, std::FILE* err)
{
    return WithTemplateStore(err, [out](TTemplateContainer* store) {
        for (const QString& name : store->GetTemplateNames()) std::fprintf(out, "%s\n", qPrintable(name));
        return 0;
    }, true);
}

namespace {

// Fills the options from their template in the loaded store; the problem's
// message, or an empty text.
QString FillFromTemplate(TTemplateContainer* store, TRenderOptions& options)
{
    const TTemplateItem* item = store->FindTemplate(options.Template);
    if (!item) return FormatStr(StrId::UnknownTemplate, options.Template);
    if (options.Front.IsEmpty()) options.Front = TFileArgument::FromName(item->FrontImage());
    if (options.Side.IsEmpty()) options.Side = TFileArgument::FromName(item->SideImage());
    if (options.Top.IsEmpty()) options.Top = TFileArgument::FromName(item->TopImage());
    if (!options.SizeGiven) {
        options.DefaultWidth = item->DefaultWidth();
        options.DefaultHeight = item->DefaultHeight();
    }
    if (options.Front.IsEmpty() || options.Side.IsEmpty()) return FormatStr(StrId::TemplateWithoutFaces, item->ItemName());
    if (options.Style == bxThreeSideBox && options.Top.IsEmpty())
        return FormatStr(StrId::TemplateWithoutTop, item->ItemName());
    return {};
}

} // namespace

int ApplyTemplate(TRenderOptions& options, std::FILE* err)
{
    return WithTemplateStore(err, [&](TTemplateContainer* store) {
        const QString problem = FillFromTemplate(store, options);
        if (problem.isEmpty()) return 0;
        Report(err, problem);
        return 1;
    });
}

int ApplyTemplates(const std::vector<TRenderOptions*>& jobs, std::vector<QString>& problems, std::FILE* err)
{
    problems.assign(jobs.size(), QString());
    return WithTemplateStore(err, [&](TTemplateContainer* store) {
        for (std::size_t i = 0; i < jobs.size(); ++i) problems[i] = FillFromTemplate(store, *jobs[i]);
        return 0;
    });
}
