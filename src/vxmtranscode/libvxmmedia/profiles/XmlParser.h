// The parser behind CXmlDocument::Load.
#pragma once
#include "XmlDocument.h"

class CXmlParser {
public:
    struct Result {
        std::unique_ptr<CXmlElement> root;  // none when no complete element was found
        int status = XML_PARSE_OK;
    };
    // Parses text from start; comments outside the root go to header.
    static Result Parse(std::string_view text, std::size_t start, CXmlHeader& header,
                        std::size_t maxElements = XML_MAX_ELEMENTS);
};
