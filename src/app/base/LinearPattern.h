// A regular expression matched in time linear in the length of the text.
//
// It knows the part of the ECMAScript grammar that the player's output
// patterns use: literal and escaped characters, ".", \d \s \w (ASCII, as the
// "C" locale has them), \b, bracket classes of characters, ranges and those
// escapes, capturing groups, and the greedy quantifiers *, + and ? on a single
// character or class. Anything else is refused by Compile.
//
// A search gives what a backtracking matcher gives: the leftmost match, and
// within it the first choice that can succeed at every branch (greedy).
// It first marks, from the end of the text backwards, the states from which a
// match can still be completed at each position, then walks forward through
// the marked states only; each step is a few bit operations per character.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CLinearPattern {
public:
    // At most this many program steps (characters, branches, group marks).
    static constexpr size_t kMaxProgram = 128;

    // False for syntax outside the supported part or a program too long.
    bool Compile(std::wstring_view pattern);
    bool IsValid() const { return !m_program.empty(); }
    size_t GroupCount() const { return m_groups; }

    // Searches the text. On a match, groups[0] is the whole match and
    // groups[i] the text of group i (empty when it took no part).
    bool Search(std::wstring_view text, std::vector<std::wstring_view>& groups) const;

    struct SBits {
        uint64_t w[2] = {0, 0};
        bool Test(size_t i) const { return (w[i >> 6] >> (i & 63)) & 1u; }
        void Set(size_t i) { w[i >> 6] |= uint64_t(1) << (i & 63); }
        bool Any() const { return (w[0] | w[1]) != 0; }
    };

private:
    enum class EOp : uint8_t { Char, Any, Class, Split, Jump, Save, WordBoundary, Match };
    struct SStep {
        EOp op = EOp::Match;
        wchar_t ch = 0;       // Char
        uint16_t x = 0;       // Split (preferred), Jump; Save: the slot
        uint16_t y = 0;       // Split (the other way)
        uint8_t cls = 0;      // Class: index into m_classes
    };
    struct SClass {
        SBits ascii0, ascii1;  // members among 0-63 and 64-127
        std::wstring others;   // members above ASCII
        bool Has(wchar_t c) const;
    };

    bool Emit(SStep step);
    bool ParseClass(std::wstring_view pattern, size_t& i, SClass& cls) const;
    void Prepare();
    SBits CharMask(wchar_t c) const;
    bool Consumes(const SStep& s) const { return s.op == EOp::Char || s.op == EOp::Any || s.op == EOp::Class; }

    std::vector<SStep> m_program;
    std::vector<SClass> m_classes;
    size_t m_groups = 0;
    // Per step: the non-consuming steps that reach it without consuming
    // anything and without passing a word-boundary test.
    std::vector<SBits> m_reachedFrom;
    std::vector<uint16_t> m_boundaries;  // steps that test a word boundary
    SBits m_asciiMask[128];              // consuming steps each ASCII character passes
    SBits m_otherMask;                   // consuming steps any other character passes (".")
    uint16_t m_match = 0;                // the final step
};

// Character classes as the "C" locale has them.
bool IsPatternSpace(wchar_t c);
bool IsPatternDigit(wchar_t c);
bool IsPatternWord(wchar_t c);
// What "." matches: everything but the line terminators.
bool IsPatternDot(wchar_t c);
