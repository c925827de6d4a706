#include "call_runner.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <utility>

#include "ombixRemoteCall.h"
#include "call_invoker.h"
#include "record_layouts.h"

namespace ombix::cli {
namespace {
using Runner = CallResult (*)(const CallInfo &, std::int32_t, const Arguments &);

struct Entry {
    CallInfo info;
    Runner run;
};

const Entry kEntries[] = {
#define OMBIX_CALL(name, arguments)                                                                  \
    {{"Ombix" #name, #arguments},                                                                    \
     [](const CallInfo &call, std::int32_t handle, const Arguments &given) {                         \
         return execute(&OmbixR_##name, call, handle, given);                                        \
     }},
#include "ombix_calls.h"
#undef OMBIX_CALL
};

}  // namespace

const std::vector<CallInfo> &all_calls() {
    static const std::vector<CallInfo> calls = [] {
        std::vector<CallInfo> list;
        for (const Entry &entry : kEntries) list.push_back(entry.info);
        return list;
    }();
    return calls;
}

const CallInfo *find_call(const std::string &name) {
    std::string bare = name;
    if (bare.rfind("OmbixR_", 0) == 0)
        bare = bare.substr(7);
    else if (bare.rfind("Ombix", 0) == 0)
        bare = bare.substr(5);
    for (const Entry &entry : kEntries)
        if (bare == entry.info.name + 5) return &entry.info;
    return nullptr;
}

std::string describe_call(const CallInfo &call) {
    std::string inputs = call.name + 5;
    std::string outputs;
    for (const std::string &declaration : invoker::declarations(call.signature)) {
        const std::string name = invoker::name_of(declaration);
        const bool pointer = declaration.find('*') != std::string::npos;
        const bool is_length = name.size() > 6 && name.compare(name.size() - 6, 6, "Length") == 0;
        if (!pointer)
            inputs += " " + name + "=INT";
        else if (declaration.find("char") != std::string::npos)
            inputs += " " + name + "=TEXT";
        else if (declaration.find("const") != std::string::npos)
            inputs += " [" + name + "=HEX|@FILE]";
        else {
            if (is_length) inputs += " " + name + "=INT";
            outputs += " " + name;
        }
    }
    return outputs.empty() ? inputs : inputs + "  ->" + outputs;
}

CallResult run_call(const CallInfo &call, std::int32_t handle, const Arguments &arguments) {
    for (const Entry &entry : kEntries)
        if (&entry.info == &call || std::strcmp(entry.info.name, call.name) == 0)
            return entry.run(entry.info, handle, arguments);
    CallResult result;
    result.error = "unknown call";
    return result;
}

}  // namespace ombix::cli
