// What every page of the main window works with: the opened survey (the data table with its
// connection, the roles of its columns, its survey years and the user's condition), the queries the
// pages share, and the settings the charts read. The window holds one and hands it to its pages.
#pragma once

#include "data/database.h"
#include "data/editjournal.h"
#include "data/selection.h"
#include "model/survey.h"

#include <array>
#include <string>
#include <vector>

namespace app {

struct WindowState
{
    // The opened table (model::Survey, as every command opens one), and its connection to the data
    // directory with the queries the pages share on it.
    model::Survey Survey;
    data::Query Query1{Survey.connection()};
    data::Query QueryAverage{Survey.connection()};
    data::Query QueryTransition{Survey.connection()};

    // The chart series of the survey years, indexed from 0 (survey year i + 1).
    std::vector<double> YearDefAvg;
    std::vector<double> YearDefStd;
    std::vector<double> YearDead;
    std::vector<int> YearTrees;
    std::vector<std::array<int, 6>> YearClasses;
    double PrcTreeFactor = 0;
    std::string FixedSpecies;

    // Settings of the whole program, kept here as the main window lives as long as the program.
    std::string TitlePlot;
    std::string TitleSpecies;
    std::vector<std::string> GraphSettings; // the name=value lines of Graph.ini, unknown lines included

    // The undo history of the data table, kept until the table is closed.
    data::EditJournal DataJournal{Survey.connection()};

    // The opened table as the survey has it: its folder with the trailing separator, its file name
    // with extension and no folder (both empty while none is open), the column names of its roles as
    // the SQL texts take them, its survey years in the order of the year list and the user's
    // condition in its kept form.
    const std::string &dataDir() const { return Survey.dataDir(); }
    const std::string &tableFile() const { return Survey.tableFile(); }
    const data::FieldRoles &fieldRoles() const { return Survey.setup().roles; }
    const std::vector<data::YearColumn> &yearList() const { return Survey.setup().years; }
    int yearCount() const { return static_cast<int>(yearList().size()); }
    std::vector<std::string> yearFields() const;
    const std::string &conditions() const { return Survey.setup().conditions; }
    // Setting all five roles at once.
    void setFieldRoles(const data::FieldRoles &roles) { Survey.setRoles(roles); }
    // Resets the year list and gives the yearly series their room.
    void setYearList(const std::vector<data::YearColumn> &years);
};

} // namespace app
