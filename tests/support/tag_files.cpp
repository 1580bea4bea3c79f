#include "support/tag_files.h"

#include "support/test_media.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace vxmtest {

namespace {

const std::string kScript = std::string(VXM_SOURCE_DIR) + "/tests/support/tag_files.py";

std::string MutagenSays(const char* command, const std::string& path, const std::string& more = "")
{
    std::vector<std::string> args = {"/usr/bin/python3", kScript, command, path};
    if (!more.empty()) args.push_back(more);
    std::string out;
    if (RunProgram(args, &out) != 0) return "mutagen failed: " + out;
    return out;
}

}  // namespace

bool MakeTagFile(const std::string& kind, const std::string& path)
{
    return RunProgram({"/usr/bin/python3", kScript, "make", kind, path}) == 0;
}

std::string MutagenTags(const std::string& path)
{
    return MutagenSays("dump", path);
}

std::string MutagenItems(const std::string& path, const std::string& fields)
{
    return MutagenSays("items", path, fields);
}

std::string OfKindsIn(const std::string& items, const std::string& kinds)
{
    std::set<std::string> tags;
    std::istringstream had(kinds);
    for (std::string line; std::getline(had, line);) tags.insert(line.substr(0, line.find(' ')));
    std::string kept;
    std::istringstream lines(items);
    for (std::string line; std::getline(lines, line);)
        if (tags.count(line.substr(0, line.find(' ')))) kept += line + "\n";
    return kept;
}

std::string FragmentIndex(const std::string& path)
{
    return MutagenSays("index", path);
}

std::string ProbedLength(const std::string& path)
{
    std::string out;
    RunProgram({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path}, &out);
    return out;
}

std::string MutagenLines(const std::vector<std::string>& tags,
                         const std::vector<std::pair<std::string, std::string>>& fields,
                         const std::vector<std::string>& extra)
{
    std::vector<std::string> lines = extra;
    for (std::string tag : tags) {
        // "ape~": the text fields only.
        const bool textOnly = tag.back() == '~';
        if (textOnly) tag.pop_back();
        for (const auto& [field, value] : fields)
            if (!textOnly || (field != "cover" && field != "lyrics")) lines.push_back(tag + " " + field + "=" + value);
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::string Md5OfFile(const std::string& path)
{
    std::string out;
    RunProgram({"md5sum", path}, &out);
    return "md5:" + out.substr(0, out.find(' '));
}

std::string DecodedAudioMd5(const std::string& path)
{
    std::string out;
    RunProgram({"ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-f", "md5", "-"}, &out);
    return out;
}

std::string SeekedAudioMd5(const std::string& path)
{
    std::vector<std::string> args = {"ffmpeg", "-v", "error", "-ss", "0.5"};
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".m4a") == 0)
        args.insert(args.end(), {"-use_mfra_for", "pts"});
    args.insert(args.end(), {"-i", path, "-map", "0:a", "-f", "md5", "-"});
    std::string out;
    RunProgram(args, &out);
    return out;
}

}  // namespace vxmtest
