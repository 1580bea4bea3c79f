// File names and text carried by drag-and-drop and clipboard data, read from
// the raw bytes: Qt's own decoding turns bytes that are not UTF-8 into
// U+FFFD, which names no file. The bytes map losslessly to the wide text.
#pragma once
#include <string>
#include <vector>

class QMimeData;

// The local files of the data's URI list ("file:" URLs on this host), in
// order; percent-escapes are decoded to the bytes they stand for.
std::vector<std::wstring> LocalFilesOf(const QMimeData* data);
// The data's plain text; empty when it has none.
std::wstring PlainTextOf(const QMimeData* data);
// New data whose URI list names `files`, every byte of their names kept.
QMimeData* MimeDataForFiles(const std::vector<std::wstring>& files);
