// The transfer application's test log: UTF-8 lines appended to a file, the
// fields of a line separated by tabs. Lines, in the order written:
//   begin        <process id>
//   suite-key    <suite key name> <version key name>   (or "none")
//   registry-startuptab   0x%08X | missing
//   registry-vidrolink    0x%08X | missing
//   profile-startuptab    <text> | missing
//   route        registry | profile | none
//   folder       <text of "Folder">
//   folder-missing                                     (when it cannot be listed)
//   listed       <name> <size in bytes> <thumbnail WxH | no thumbnail | unreadable thumbnail |
//   sound> window       transfer | main card         <card picture folder>                 (on a
//   transfer) copied       <name>  |  copy-failed <name> <system code> transferred  <copied count>
//   <listed count> autoclose end
// Each line is written and the file closed at once, so a log survives a
// killed process.
#pragma once
#include <string>

namespace standin {

class LinkLog {
public:
    explicit LinkLog(std::wstring path = std::wstring()) : m_path(std::move(path)) {}
    bool enabled() const { return !m_path.empty(); }
    void line(const std::wstring& text) const;

private:
    std::wstring m_path;
};

}  // namespace standin
