// The user's free condition: the one check that every place taking it runs (the window's
// "Conditions" button and statistics run, the command line's --conditions), and the form in which
// the queries keep it.
//
// The condition is free SQL that the queries put after "and " behind their own plot and species
// terms. It stays one condition there only when it is one bracketed group: "1=1) OR (1=1" would
// close the program's bracket and select every tree of the table, so brackets outside string
// literals may never close more than they opened and must balance at the end.
#pragma once

#include <string>

namespace data {

class Connection;

// The condition as the queries keep it: empty for a text of blanks only, the text itself when it is
// one bracketed group, such as "(DBH>10)", and the text in brackets otherwise: "DBH>10" and
// "(DBH>10) or (HEIGHT>20)" become "(DBH>10)" and "((DBH>10) or (HEIGHT>20))".
std::string keptCondition(const std::string &text);

// Checks the user's condition (as typed, or as kept) and returns it as kept. Throws common::DataError
// "Condition: <the problem> in: <the condition>" when a quote is not closed, the text holds a
// comment, a bracket closes more than were opened or brackets are left open, or the engine refuses it
// after WHERE over the table (bad syntax, an unknown column, a second statement). An empty condition
// passes without looking at the table.
std::string checkCondition(Connection &connection, const std::string &table, const std::string &text);

} // namespace data
