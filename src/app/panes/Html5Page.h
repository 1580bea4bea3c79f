// The web page written beside a converted video: a copy of the template
// "data/html5_embed_video.htpl" with "$VIDEO_FILE" and "$VIDEO_MIME" filled in.
#pragma once
#include <string>

// MIME type of an output extension with its dot (".mp4", ".ogv", ".webm", in
// any case); empty for any other.
std::wstring Html5MimeType(const std::wstring& extension);
// The output path with its extension replaced by ".html".
std::wstring Html5PagePath(const std::wstring& outputPath);
// The template text (UTF-8) with the placeholders filled for `outputPath`.
// The file name is URL-encoded where it stands as an address (src="...",
// href="...") and HTML-escaped elsewhere; an unknown MIME type leaves
// "$VIDEO_MIME" as it is.
std::string FillHtml5Template(const std::string& templateText, const std::wstring& outputPath);
// <program folder>/data/html5_embed_video.htpl
std::wstring Html5TemplatePath();
// Writes the page beside `outputPath`; with `open` the page is opened in the
// desktop's browser. False (one log line) when it could not be written; an
// empty template writes nothing and logs nothing.
bool WriteHTML5Page(const std::wstring& outputPath, bool open, const std::wstring& templatePath = Html5TemplatePath());
