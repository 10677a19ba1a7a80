// PgnGame: one game read from PGN, its tags and the tree of its moves with
// variations, comments and annotation glyphs.
//
// The tree. The root holds no move. Every other node is either a move node
// (move word != 0) or a variation node (move word 0, never the root). From the
// position after a node N (the start position for the root):
//   - N's main continuation is its first child that holds a move (mainChild());
//   - each variation node V among N's children starts an alternative to that
//     continuation, played from the same position: V's first move child is the
//     variation's first move, and the variation goes on from that child exactly
//     as a main line does (with variations of its own).
// Variation nodes are never children of variation nodes.
//
// Walking everything, e.g. for a book:
//     void walk(const PgnNode& node, CPosition position)   // position after node
//     {
//         for (const PgnNode* child : node.children())
//             if (child->isVariation())
//                 walk(*child, position);          // same position, alternative line
//         if (const PgnNode* next = node.mainChild())
//         {   position.makeMove(next->move());  walk(*next, position);  }
//     }
// (The recursion depth follows the length of a line; the reader bounds the
// nesting of variations, not the length of lines, so walk a long main line in
// a loop if stack depth matters.)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "board/position.h"
#include "board/types.h"

class PgnGame;

class PgnNode
{
public:
    PgnNode* parent() const { return m_parent; }
    // The move word, 0 for the root and for variation nodes.
    Move move() const { return m_move; }
    // Glyph number, 0 for none.
    int32_t annotation() const { return m_annotation; }
    void setAnnotation(int32_t number) { m_annotation = number; }
    const std::string& comment() const { return m_comment; }
    void appendComment(const std::string& text) { m_comment += text; }
    const std::vector<PgnNode*>& children() const { return m_children; }

    bool isVariation() const { return m_move == NO_MOVE && m_parent != nullptr; }
    // The first child holding a move, or nullptr.
    PgnNode* mainChild() const;
    // The child holding exactly this move word, or nullptr.
    PgnNode* childWithMove(Move m) const;

private:
    friend class PgnGame;
    PgnNode* m_parent = nullptr;
    Move m_move = NO_MOVE;
    int32_t m_annotation = 0;
    std::string m_comment;
    std::vector<PgnNode*> m_children;  // owned by the PgnGame
};

class PgnGame
{
public:
    // Holds the seven roster tags with their defaults and an empty tree.
    PgnGame();
    PgnGame(const PgnGame&) = delete;
    PgnGame& operator=(const PgnGame&) = delete;

    // Back to the state of a new game.
    void clear();

    // Tags, in order: the roster first, then the others as read.
    const std::vector<std::string>& tagNames() const { return m_tagNames; }
    const std::vector<std::string>& tagValues() const { return m_tagValues; }
    // Index of the tag with this name (compared case-insensitively), or -1.
    int findTag(const std::string& name) const;
    // The tag's value, "" when absent.
    std::string tagValue(const std::string& name) const;
    // Replaces the value of the tag of that name, or appends the tag.
    void setTag(const std::string& name, const std::string& value);
    // Appends a tag without looking for one of the same name.
    void appendTag(const std::string& name, const std::string& value);

    PgnNode& root() { return *m_nodes.front(); }
    const PgnNode& root() const { return *m_nodes.front(); }
    // A new node holding 'move' (0 for a variation node), appended to parent's children.
    PgnNode* addChild(PgnNode* parent, Move move);

    // The position the move text starts from (the FEN tag, else the standard start).
    const CPosition& startPosition() const { return m_startPosition; }
    void setStartPosition(const CPosition& position) { m_startPosition = position; }

    // Moves of the main line from the root.
    std::vector<Move> mainLine() const;

private:
    std::vector<std::string> m_tagNames;
    std::vector<std::string> m_tagValues;
    // Index of each tag by its name in lower case (the first of that name), so
    // that a game with a great many tags is read in linear time.
    std::unordered_map<std::string, size_t> m_tagIndex;
    // Every node, the root first; nodes link to each other with plain pointers,
    // so even a tree of enormous depth is freed without recursion.
    std::vector<std::unique_ptr<PgnNode>> m_nodes;
    CPosition m_startPosition;
};

// Appends each missing tag of the seven-tag roster with its default value:
// Event "?", Site "?", Date "????.??.??", Round "?", White "?", Black "?", Result "*".
void completeSevenTagRoster(PgnGame& game);
