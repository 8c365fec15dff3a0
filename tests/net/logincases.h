#pragma once
// The login walk's rules as a table of fourth-frame contents, run against the engine and the
// fake browser alike.
#include <QList>
#include <QString>
#include <QStringList>

struct LoginField {
    QString tag;  // as the page writes it
    QString type; // the type attribute ("" for none)
    QString name;
    QString expected; // value after the walk: "" untouched, "U" user, "P" password
    // Every field starts with the value "orig".
};

struct LoginCase {
    const char* title;
    QList<LoginField> fields;
    int frames = 4;
    int filled = 0;
    bool xhtml = false;     // served as XHTML, where tag names keep the page's letter case
    bool otherHost = false; // the fourth frame's host is not among the service's hosts
};

inline QList<LoginCase> loginCases()
{
    return {
        {"userAndPassword_bothFilled",
         {{"INPUT", "text", "UserName", "U"}, {"INPUT", "password", "UserPassword", "P"}},
         4,
         2},
        {"nameDiffersInCase_notFilled",
         {{"INPUT", "text", "username", ""}, {"INPUT", "password", "userpassword", ""}},
         4,
         0},
        {"otherTypes_notFilled",
         {{"INPUT", "hidden", "UserName", ""},
          {"INPUT", "checkbox", "UserPassword", ""},
          {"INPUT", "submit", "UserName", ""}},
         4,
         0},
        {"twoUserNameFields_bothFilled",
         {{"INPUT", "text", "UserName", "U"},
          {"INPUT", "text", "UserName", "U"},
          {"INPUT", "password", "UserPassword", "P"}},
         4,
         3},
        {"passwordTypedUserName_filledWithUser",
         {{"INPUT", "password", "UserName", "U"}, {"INPUT", "text", "UserPassword", "P"}},
         4,
         2},
        {"otherElementsNamedLikeFields_notFilled",
         {{"TEXTAREA", "", "UserName", ""}, {"SELECT", "", "UserPassword", ""}},
         4,
         0},
        {"lowerCaseTag_filled",
         {{"input", "text", "UserName", "U"}, {"input", "password", "UserPassword", "P"}},
         4,
         2,
         true},
        {"threeFrames_nothingFilled",
         {{"INPUT", "text", "UserName", ""}, {"INPUT", "password", "UserPassword", ""}},
         3,
         0},
        {"fiveFrames_nothingFilled",
         {{"INPUT", "text", "UserName", ""}, {"INPUT", "password", "UserPassword", ""}},
         5,
         0},
        {"fourthFrameFromAnotherHost_nothingFilled",
         {{"INPUT", "text", "UserName", ""}, {"INPUT", "password", "UserPassword", ""}},
         4,
         0,
         false,
         true},
    };
}
