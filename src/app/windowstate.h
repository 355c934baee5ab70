// What every page of the main window works with: the opened data table with its connection and
// queries, the roles of its columns, its survey years, the user's conditions and the settings the
// charts read. The window holds one and hands it to its pages.
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
    data::Connection &PrimaryData = Survey.connection();
    data::Query Query1{PrimaryData};
    data::Query QueryAverage{PrimaryData};
    data::Query QueryTransition{PrimaryData};

    // The opened table as the survey names it, kept here for the pages. The yearly lists are indexed
    // from 0 (survey year i + 1).
    std::string DataDir;   // with its trailing separator
    std::string TableFile; // file name with extension, no directory
    std::string PlotField;
    std::string TreeIdField;
    std::string SpeciesField;
    std::string DbhField;
    std::string HeightField;
    int YearCount = 0;
    std::vector<int> Years;
    std::vector<std::string> YearFields;
    std::vector<double> YearDefAvg;
    std::vector<double> YearDefStd;
    std::vector<double> YearDead;
    std::vector<int> YearTrees;
    std::vector<std::array<int, 6>> YearClasses;
    double PrcTreeFactor = 0;
    std::string Conditions;
    std::string FixedSpecies;

    // Settings of the whole program, kept here as the main window lives as long as the program.
    std::string TitlePlot;
    std::string TitleSpecies;
    std::vector<std::string> GraphSettings; // the name=value lines of Graph.ini, unknown lines included

    // The undo history of the data table, kept until the table is closed.
    data::EditJournal DataJournal{PrimaryData};

    // The column names of the roles, as the SQL texts take them, and setting all five at once.
    data::FieldRoles fieldRoles() const;
    void setFieldRoles(const data::FieldRoles &roles);
    // The survey years of the year list, in its order.
    std::vector<data::YearColumn> yearList() const;
    // Resets the year list and gives the yearly lists their room.
    void setYearList(const std::vector<data::YearColumn> &years);
};

} // namespace app
