// The user's own values for the choice lists of profile parameters, and a
// preferred default per parameter, kept in "customprops.json" in the per-user
// data folder:
//   { "<profile id>": { "<parameter key>": { "default": "..." or 12,
//                                             "values": ["...", ...] } } }
// Texts are UTF-8. Setters do nothing before Load; none of them saves.
#pragma once
#include <json/value.h>
#include <memory>
#include <string>

class CCustomProps {
public:
    // The file to use; empty: <per-user data folder>/customprops.json.
    explicit CCustomProps(std::wstring path = std::wstring());
    ~CCustomProps();
    CCustomProps(const CCustomProps&) = delete;
    CCustomProps& operator=(const CCustomProps&) = delete;

    // Starts an empty tree, then fills it from the file. False when the file
    // is missing (silently), empty, unreadable or not a JSON object (logged);
    // the tree stays usable and empty then.
    bool Load();
    // Writes the tree through a temporary file and a rename, so a failed
    // write never damages the existing file. An empty tree is not written.
    // A file that Load could not parse is first kept aside as "<name>.bad".
    bool Save();

    // "default" = defaultText; addedText (when not null) appended to "values".
    void SetCustomProp(int profileId, const char* defaultText, const char* addedText, const char* key);
    // "default" = the integer value.
    void SetCustomPropDefault(int profileId, int value, const char* key);
    // Drops every element equal to `text` from "values"; none left: "values" is null.
    void RemoveCustomPropValue(int profileId, const char* text, const char* key);

    // Null before Load.
    const Json::Value* GetRoot() const { return m_root.get(); }
    const std::wstring& GetPath() const { return m_path; }

private:
    // The parameter object root[id][key], made (or replacing a non-object) as needed.
    Json::Value& Parameter(int profileId, const char* key);

    std::wstring m_path;
    std::unique_ptr<Json::Value> m_root;
    bool m_keepAside = false;  // the file on disk could not be parsed
};

std::wstring GetCustomPropsPath();
