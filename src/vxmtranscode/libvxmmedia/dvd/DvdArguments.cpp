#include "DvdArguments.h"

#include <cstdlib>

LegacyInputRequest take_dvd_input_arguments(std::vector<std::string>& args)
{
    LegacyInputRequest req;
    bool dvd = false;
    for (size_t i = 1; i + 1 < args.size(); ++i)
        if (args[i] == "-f" && args[i + 1] == "dvdnav")
            dvd = true;
    if (!dvd)
        return req;

    std::vector<std::string> out;
    if (!args.empty())
        out.push_back(args[0]);
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasNext = i + 1 < args.size();
        if (a == "-f" && hasNext && args[i + 1] == "dvdnav") {
            ++i;
            continue;
        }
        if (hasNext && (a == "-dvd-device" || a == "-chapter" || a == "-angle")) {
            const std::string& v = args[++i];
            if (a == "-dvd-device") {
                req.dvd_device = v;
            } else if (a == "-angle") {
                req.angle = std::atoi(v.c_str());
            } else {
                req.first_chapter = std::atoi(v.c_str());
                const size_t dash = v.find('-');
                req.last_chapter = dash != std::string::npos ? std::atoi(v.c_str() + dash + 1) : -1;
            }
            continue;
        }
        if (a.rfind("dvdnav://", 0) == 0)
            req.title = std::atoi(a.c_str() + 9);
        out.push_back(a);
    }
    req.dvd = true;
    req.input_index = 0;
    args = std::move(out);
    return req;
}

void take_dvd_input_arguments(CToolContext* ctx)
{
    if (!ctx)
        return;
    ctx->legacy_inputs.clear();
    LegacyInputRequest req = take_dvd_input_arguments(ctx->argv_storage);
    if (!req.dvd)
        return;
    ctx->legacy_inputs.push_back(req);
    ctx->argv_ptrs.clear();
    for (auto& a : ctx->argv_storage)
        ctx->argv_ptrs.push_back(a.data());
    ctx->argv_ptrs.push_back(nullptr);
    ctx->argc = static_cast<int>(ctx->argv_storage.size());
}
