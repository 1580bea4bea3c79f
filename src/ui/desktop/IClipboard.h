// The clipboard: text, file lists, and a change signal.
#pragma once
#include <functional>
#include <string>
#include <vector>

class IClipboard {
public:
    virtual ~IClipboard() = default;
    virtual bool HasText() const = 0;
    virtual std::wstring GetText() const = 0;
    virtual void SetText(const std::wstring& text) = 0;
    // Local files put on the clipboard by a file manager (or by SetFiles).
    virtual bool HasFiles() const = 0;
    virtual std::vector<std::wstring> GetFiles() const = 0;
    virtual void SetFiles(const std::vector<std::wstring>& files) = 0;
    // `onChange` runs on the UI thread after every change; the token
    // removes it again.
    virtual int Subscribe(std::function<void()> onChange) = 0;
    virtual void Unsubscribe(int token) = 0;
};
