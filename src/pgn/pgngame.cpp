#include "pgn/pgngame.h"

#include <cctype>

namespace
{
std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = char(std::tolower((unsigned char)c));
    return text;
}
}

PgnNode* PgnNode::mainChild() const
{
    for (PgnNode* child : m_children)
        if (child->m_move != NO_MOVE)
            return child;
    return nullptr;
}

PgnNode* PgnNode::childWithMove(Move m) const
{
    for (PgnNode* child : m_children)
        if (child->m_move == m && m != NO_MOVE)
            return child;
    return nullptr;
}

PgnGame::PgnGame() { clear(); }

void PgnGame::clear()
{
    m_tagNames.clear();
    m_tagValues.clear();
    m_tagIndex.clear();
    completeSevenTagRoster(*this);
    m_nodes.clear();
    m_nodes.emplace_back(new PgnNode());
    m_startPosition = CPosition();
}

int PgnGame::findTag(const std::string& name) const
{
    auto found = m_tagIndex.find(lowerCase(name));
    return found == m_tagIndex.end() ? -1 : int(found->second);
}

std::string PgnGame::tagValue(const std::string& name) const
{
    int index = findTag(name);
    return index < 0 ? std::string() : m_tagValues[index];
}

void PgnGame::setTag(const std::string& name, const std::string& value)
{
    int index = findTag(name);
    if (index >= 0)
        m_tagValues[index] = value;
    else
        appendTag(name, value);
}

void PgnGame::appendTag(const std::string& name, const std::string& value)
{
    m_tagIndex.emplace(lowerCase(name), m_tagNames.size());
    m_tagNames.push_back(name);
    m_tagValues.push_back(value);
}

PgnNode* PgnGame::addChild(PgnNode* parent, Move move)
{
    m_nodes.emplace_back(new PgnNode());
    PgnNode* node = m_nodes.back().get();
    node->m_parent = parent;
    node->m_move = move;
    if (parent->m_children.capacity() == parent->m_children.size())
        parent->m_children.reserve(parent->m_children.size() + 10);
    parent->m_children.push_back(node);
    return node;
}

std::vector<Move> PgnGame::mainLine() const
{
    std::vector<Move> moves;
    for (const PgnNode* node = root().mainChild(); node; node = node->mainChild())
        moves.push_back(node->move());
    return moves;
}

void completeSevenTagRoster(PgnGame& game)
{
    static const char* const ROSTER[7][2] = {{"Event", "?"}, {"Site", "?"},  {"Date", "????.??.??"}, {"Round", "?"},
                                             {"White", "?"}, {"Black", "?"}, {"Result", "*"}};
    for (const auto& tag : ROSTER)
        if (game.findTag(tag[0]) < 0)
            game.appendTag(tag[0], tag[1]);
}
