#include "LinearPattern.h"

namespace {

using SBits = CLinearPattern::SBits;

void OrInto(SBits& a, const SBits& b)
{
    a.w[0] |= b.w[0];
    a.w[1] |= b.w[1];
}

bool IsAsciiLetterOrDigit(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || IsPatternDigit(c); }

}  // namespace

bool IsPatternSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
bool IsPatternDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsPatternWord(wchar_t c) { return IsAsciiLetterOrDigit(c) || c == L'_'; }
bool IsPatternDot(wchar_t c) { return c != L'\n' && c != L'\r' && c != 0x2028 && c != 0x2029; }

bool CLinearPattern::SClass::Has(wchar_t c) const
{
    if (c >= 0 && c < 64) return ascii0.Test(static_cast<size_t>(c));
    if (c >= 64 && c < 128) return ascii1.Test(static_cast<size_t>(c - 64));
    return others.find(c) != std::wstring::npos;
}

bool CLinearPattern::Emit(SStep step)
{
    if (m_program.size() >= kMaxProgram) return false;
    m_program.push_back(step);
    return true;
}

// One bracket class from just after "[" to just after its "]".
bool CLinearPattern::ParseClass(std::wstring_view pattern, size_t& i, SClass& cls) const
{
    auto add = [&cls](wchar_t c) {
        if (c >= 0 && c < 64) cls.ascii0.Set(static_cast<size_t>(c));
        else if (c >= 64 && c < 128) cls.ascii1.Set(static_cast<size_t>(c - 64));
        else cls.others += c;
    };
    auto addWhere = [&add](bool (*test)(wchar_t)) {
        for (wchar_t c = 0; c < 128; ++c)
            if (test(c)) add(c);
    };
    if (i < pattern.size() && pattern[i] == L'^') return false;
    bool first = true;
    while (i < pattern.size() && (pattern[i] != L']' || first)) {
        if (pattern[i] == L']') return false;  // an empty class
        first = false;
        wchar_t c = pattern[i++];
        if (c == L'\\') {
            if (i >= pattern.size()) return false;
            const wchar_t e = pattern[i++];
            if (e == L'd') { addWhere(IsPatternDigit); continue; }
            if (e == L's') { addWhere(IsPatternSpace); continue; }
            if (e == L'w') { addWhere(IsPatternWord); continue; }
            if (IsAsciiLetterOrDigit(e)) return false;
            c = e;
        }
        // A range "a-z"; a "-" first or last is itself.
        if (i + 1 < pattern.size() && pattern[i] == L'-' && pattern[i + 1] != L']') {
            wchar_t last = pattern[i + 1];
            if (last == L'\\' || last < c) return false;
            for (wchar_t r = c; r <= last; ++r) add(r);
            i += 2;
            continue;
        }
        add(c);
    }
    if (i >= pattern.size()) return false;
    ++i;  // "]"
    return true;
}

bool CLinearPattern::Compile(std::wstring_view pattern)
{
    m_program.clear();
    m_classes.clear();
    m_groups = 0;
    std::vector<uint16_t> open;
    bool ok = true;
    size_t i = 0;
    while (ok && i < pattern.size()) {
        const wchar_t c = pattern[i++];
        SStep atom;
        if (c == L'(') {
            if (i < pattern.size() && pattern[i] == L'?') { ok = false; break; }
            open.push_back(static_cast<uint16_t>(++m_groups));
            SStep save;
            save.op = EOp::Save;
            save.x = static_cast<uint16_t>(2 * m_groups);
            ok = Emit(save);
            continue;
        }
        if (c == L')') {
            if (open.empty()) { ok = false; break; }
            SStep save;
            save.op = EOp::Save;
            save.x = static_cast<uint16_t>(2 * open.back() + 1);
            open.pop_back();
            ok = Emit(save);
            if (i < pattern.size() && (pattern[i] == L'*' || pattern[i] == L'+' || pattern[i] == L'?' || pattern[i] == L'{'))
                ok = false;  // quantified groups are not supported
            continue;
        }
        if (c == L'\\') {
            if (i >= pattern.size()) { ok = false; break; }
            const wchar_t e = pattern[i++];
            if (e == L'b') {
                SStep test;
                test.op = EOp::WordBoundary;
                ok = Emit(test);
                continue;
            }
            if (e == L'd' || e == L's' || e == L'w') {
                SClass cls;
                size_t j = 0;
                const wchar_t text[] = {L'\\', e, L']'};
                ParseClass(std::wstring_view(text, 3), j, cls);
                m_classes.push_back(cls);
                atom.op = EOp::Class;
                atom.cls = static_cast<uint8_t>(m_classes.size() - 1);
            } else if (IsAsciiLetterOrDigit(e)) {
                ok = false;
                break;
            } else {
                atom.op = EOp::Char;
                atom.ch = e;
            }
        } else if (c == L'.') {
            atom.op = EOp::Any;
        } else if (c == L'[') {
            SClass cls;
            if (!ParseClass(pattern, i, cls) || m_classes.size() >= 255) { ok = false; break; }
            m_classes.push_back(cls);
            atom.op = EOp::Class;
            atom.cls = static_cast<uint8_t>(m_classes.size() - 1);
        } else if (c == L'^' || c == L'$' || c == L'|' || c == L'{' || c == L'}' || c == L'*' || c == L'+' ||
                   c == L'?' || c == L']') {
            ok = false;
            break;
        } else {
            atom.op = EOp::Char;
            atom.ch = c;
        }
        const wchar_t q = i < pattern.size() ? pattern[i] : 0;
        if (q == L'*' || q == L'+' || q == L'?') {
            ++i;
            if (i < pattern.size() && (pattern[i] == L'?' || pattern[i] == L'*' || pattern[i] == L'+')) { ok = false; break; }
        }
        const uint16_t at = static_cast<uint16_t>(m_program.size());
        SStep split;
        split.op = EOp::Split;
        if (q == L'+') {
            split.x = at;
            split.y = static_cast<uint16_t>(at + 2);
            ok = Emit(atom) && Emit(split);
        } else if (q == L'*') {
            split.x = static_cast<uint16_t>(at + 1);
            split.y = static_cast<uint16_t>(at + 3);
            SStep back;
            back.op = EOp::Jump;
            back.x = at;
            ok = Emit(split) && Emit(atom) && Emit(back);
        } else if (q == L'?') {
            split.x = static_cast<uint16_t>(at + 1);
            split.y = static_cast<uint16_t>(at + 2);
            ok = Emit(split) && Emit(atom);
        } else {
            ok = Emit(atom);
        }
    }
    SStep match;
    match.op = EOp::Match;
    if (!ok || !open.empty() || !Emit(match)) {
        m_program.clear();
        return false;
    }
    Prepare();
    return true;
}

void CLinearPattern::Prepare()
{
    const size_t count = m_program.size();
    m_match = static_cast<uint16_t>(count - 1);
    m_reachedFrom.assign(count, SBits{});
    m_boundaries.clear();
    for (size_t from = 0; from < count; ++from) {
        const EOp op = m_program[from].op;
        if (op == EOp::WordBoundary) m_boundaries.push_back(static_cast<uint16_t>(from));
        if (op != EOp::Split && op != EOp::Jump && op != EOp::Save) continue;
        // Every step reached from `from` through steps that consume nothing.
        std::vector<bool> seen(count, false);
        std::vector<size_t> todo = {from};
        while (!todo.empty()) {
            const size_t at = todo.back();
            todo.pop_back();
            if (seen[at]) continue;
            seen[at] = true;
            const SStep& s = m_program[at];
            switch (s.op) {
            case EOp::Split: todo.push_back(s.x); todo.push_back(s.y); break;
            case EOp::Jump: todo.push_back(s.x); break;
            case EOp::Save: todo.push_back(at + 1); break;
            default: m_reachedFrom[at].Set(from); break;
            }
        }
    }
    m_otherMask = SBits{};
    for (auto& mask : m_asciiMask) mask = SBits{};
    for (size_t pc = 0; pc < count; ++pc) {
        const SStep& s = m_program[pc];
        if (s.op == EOp::Any) m_otherMask.Set(pc);
        for (wchar_t c = 0; c < 128; ++c) {
            const bool passes = (s.op == EOp::Char && s.ch == c) || (s.op == EOp::Any && IsPatternDot(c)) ||
                                (s.op == EOp::Class && m_classes[s.cls].Has(c));
            if (passes) m_asciiMask[c].Set(pc);
        }
    }
}

CLinearPattern::SBits CLinearPattern::CharMask(wchar_t c) const
{
    if (c >= 0 && c < 128) return m_asciiMask[c];
    SBits mask = IsPatternDot(c) ? m_otherMask : SBits{};
    for (size_t pc = 0; pc < m_program.size(); ++pc) {
        const SStep& s = m_program[pc];
        if ((s.op == EOp::Char && s.ch == c) || (s.op == EOp::Class && m_classes[s.cls].Has(c))) mask.Set(pc);
    }
    return mask;
}

bool CLinearPattern::Search(std::wstring_view text, std::vector<std::wstring_view>& groups) const
{
    groups.clear();
    if (m_program.empty()) return false;
    const size_t n = text.size();
    auto boundary = [&text, n](size_t p) {
        const bool left = p > 0 && IsPatternWord(text[p - 1]);
        const bool right = p < n && IsPatternWord(text[p]);
        return left != right;
    };
    // live[p]: the steps from which a match can be completed at position p.
    // The final step is live everywhere, and with it what reaches it.
    SBits always = m_reachedFrom[m_match];
    always.Set(m_match);
    std::vector<SBits> live(n + 1);
    uint64_t next0 = 0, next1 = 0;  // live[p + 1]
    for (size_t p = n + 1; p-- > 0;) {
        uint64_t base0 = 0, base1 = 0;
        if (p < n) {
            const wchar_t c = text[p];
            SBits other;
            if (c < 0 || c >= 128) other = CharMask(c);
            const SBits& mask = (c >= 0 && c < 128) ? m_asciiMask[c] : other;
            base0 = ((next0 >> 1) | (next1 << 63)) & mask.w[0];
            base1 = (next1 >> 1) & mask.w[1];
        }
        uint64_t all0 = base0 | always.w[0], all1 = base1 | always.w[1];
        for (uint64_t bits = base0; bits; bits &= bits - 1) {
            const SBits& from = m_reachedFrom[__builtin_ctzll(bits)];
            all0 |= from.w[0];
            all1 |= from.w[1];
        }
        for (uint64_t bits = base1; bits; bits &= bits - 1) {
            const SBits& from = m_reachedFrom[64 + __builtin_ctzll(bits)];
            all0 |= from.w[0];
            all1 |= from.w[1];
        }
        if (!m_boundaries.empty() && boundary(p)) {
            SBits all{{all0, all1}};
            for (bool changed = true; changed;) {
                changed = false;
                for (uint16_t b : m_boundaries) {
                    if (all.Test(b) || !all.Test(b + 1u)) continue;
                    all.Set(b);
                    OrInto(all, m_reachedFrom[b]);
                    changed = true;
                }
            }
            all0 = all.w[0];
            all1 = all.w[1];
        }
        live[p] = SBits{{all0, all1}};
        next0 = all0;
        next1 = all1;
    }
    size_t start = 0;
    while (start <= n && !live[start].Test(0)) ++start;
    if (start > n) return false;

    // The first way through the live steps, trying each branch in order.
    std::vector<size_t> slots(2 * (m_groups + 1), std::wstring_view::npos);
    size_t p = start;
    size_t pc = 0;
    for (size_t guard = (n + 1) * m_program.size() + 1; guard > 0; --guard) {
        const SStep& s = m_program[pc];
        switch (s.op) {
        case EOp::Char:
        case EOp::Any:
        case EOp::Class: ++p; ++pc; break;
        case EOp::Split:
            if (live[p].Test(s.x)) pc = s.x;
            else if (live[p].Test(s.y)) pc = s.y;
            else return false;
            break;
        case EOp::Jump: pc = s.x; break;
        case EOp::Save: slots[s.x] = p; ++pc; break;
        case EOp::WordBoundary: ++pc; break;
        case EOp::Match:
            groups.resize(m_groups + 1);
            groups[0] = text.substr(start, p - start);
            for (size_t g = 1; g <= m_groups; ++g) {
                const size_t from = slots[2 * g];
                const size_t to = slots[2 * g + 1];
                if (from != std::wstring_view::npos && to != std::wstring_view::npos && to >= from)
                    groups[g] = text.substr(from, to - from);
            }
            return true;
        }
    }
    return false;
}
