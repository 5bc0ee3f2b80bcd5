// The module file as the host finds it: one export, the entry point at
// ordinal 1, the property list naming it, the manifest.
#include "sim/session/ModuleLoader.h"
#include "sim/validate/checks/CheckSupport.h"
#include "sim/validate/checks/PeImage.h"

namespace tarnwick::sim::checks {

CheckReport ModuleFile(const CheckContext& context) {
  CheckReport report;
  if (context.modulePath.empty()) {
    report.skipped = true;
    report.note = "the module's code is linked into this program; there is no module file";
    return report;
  }
  Problems problems(report);
  try {
    const PeImage pe(context.modulePath);
    problems.Expect(pe.machine() == 0x8664 && pe.magic() == 0x20B, "not a 64-bit x86-64 image");
    problems.Expect(pe.isDll(), "not a DLL");
    const PeExports exports = Exports(pe);
    problems.Expect(exports.functions == 1 && exports.named.size() == 1,
                    "exports " + std::to_string(exports.functions) + " functions, not one");
    problems.Expect(!exports.named.empty() && exports.named[0].name == "EntryPointFunc" &&
                        exports.named[0].ordinal == 1,
                    "does not export EntryPointFunc at ordinal 1");
    const std::optional<Resource> pipl = ResourceOfType(pe, "PIPL");
    if (!pipl) {
      problems.Add("has no property list (PIPL resource)");
    } else {
      problems.Expect(
          pipl->data.size() == 142,
          "its property list is " + std::to_string(pipl->data.size()) + " bytes, not 142");
      const PropertyListInfo info = ParsePropertyList(pipl->data.data(), pipl->data.size());
      problems.Expect(info.kind == "AEgx", "its property list's kind is \"" + info.kind +
                                               "\", not a general plug-in (AEgx)");
      bool named = false;
      for (const PeExport& e : exports.named) named = named || e.name == info.entryPoint;
      problems.Expect(named, "its property list names " + info.entryPoint +
                                 ", which the module does not export");
    }
    const std::optional<Resource> manifest = ResourceOfType(pe, "#24");
    problems.Expect(manifest.has_value(), "has no manifest");
    if (manifest) {
      const std::string xml(manifest->data.begin(), manifest->data.end());
      problems.Expect(xml.find("level=\"asInvoker\"") != std::string::npos,
                      "its manifest does not ask to run as invoker");
    }
  } catch (const std::exception& error) {
    problems.Add(error.what());
  }
  return report;
}

const Check kModuleFileCheck = {
    "module-file",
    "the file: one export, EntryPointFunc at ordinal 1, the property list, the manifest", 30, false,
    &ModuleFile};

}  // namespace tarnwick::sim::checks
