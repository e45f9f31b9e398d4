#include "roamstrings.h"

#include <algorithm>
#include <array>

namespace {

struct Entry
{
    int id;
    QStringView text;
};

// Kept in ascending identifier order: lookups are binary searches.
constexpr std::array s_table {
    // Host: close question, find window, start window
    Entry {18, u"Do you want to quit the browser.."},
    Entry {518, u"רוצה לסגור את הדפדפן"},
    Entry {85, u"Find .."},
    Entry {585, u"מצא.."},
    Entry {86, u"String to search:"},
    Entry {586, u"מילה/מילים לחפש"},
    Entry {88, u"Find in"},
    Entry {588, u"מצא ב"},
    Entry {89, u"URL's"},
    Entry {589, u"כתובות"},
    Entry {90, u"Titles"},
    Entry {590, u"כותרות"},
    Entry {91, u"Find"},
    Entry {591, u"מצא"},
    Entry {92, u"Find Next"},
    Entry {592, u"הבא"},
    Entry {93, u"Exit"},
    Entry {593, u"סגור"},
    Entry {99, u"Help"},
    Entry {599, u"עזרה"},

    // Note dialog
    Entry {20, u"Note"},
    Entry {520, u"הערות"},
    Entry {21, u"URL:"},
    Entry {521, u"כתובת"},
    Entry {22, u"Title"},
    Entry {522, u"כותרת"},
    Entry {23, u"Visited:"},
    Entry {523, u"ביקור אחרון"},
    Entry {24, u"Note:"},
    Entry {524, u"הערות"},
    Entry {25, u"&Update"},
    Entry {525, u"&עדכן"},
    Entry {26, u"&Close"},
    Entry {526, u"&סגור"},

    // Query message
    Entry {28, u"No string to find"},
    Entry {528, u"אין מילה לחפש"},

    // Site properties dialog
    Entry {30, u"Properties"},
    Entry {530, u"תכונות"},
    Entry {31, u"URL:"},
    Entry {531, u"כתובת"},
    Entry {32, u"Title:"},
    Entry {532, u"כותרת"},
    Entry {33, u"Note:"},
    Entry {533, u"הערות"},
    Entry {34, u"&Update"},
    Entry {534, u"&עדכן"},
    Entry {35, u"&Close"},
    Entry {535, u"&סגור"},

    // Favorites folder dialog
    Entry {40, u"Set up Favorites button"},
    Entry {540, u"כפתור עדכון העדפות"},
    Entry {41, u"Select a favorites folder from the directory list below:"},
    Entry {541, u"בחר ספריה מועדפת מהרשימה הבאה"},
    Entry {43, u"Cancel"},
    Entry {543, u"ביטול"},
    Entry {44, u"OK"},
    Entry {544, u"אישור"},

    // Panel: tab captions and tooltips
    Entry {51, u"Current"},
    Entry {551, u"נוכחי"},
    Entry {52, u"Sites"},
    Entry {552, u"אתרים"},
    Entry {53, u"Chrono"},
    Entry {553, u"תאריך"},
    Entry {54, u"Activities"},
    Entry {554, u"פעולות"},
    Entry {55, u"Query"},
    Entry {555, u"שאילתא"},
    Entry {56, u"Options"},
    Entry {556, u"אפשרויות"},
    Entry {57, u"Outline of the current session"},
    Entry {557, u"מתאר של הגלישה הנוכחית"},
    Entry {58, u"Outline of the Sites"},
    Entry {558, u"מתאר של האתרים"},
    Entry {59, u"Chronological Outline"},
    Entry {559, u"מתאר לפי תאריכים"},
    Entry {60, u"Activities Log"},
    Entry {560, u"לוג פעילויות"},
    Entry {61, u"Query"},
    Entry {561, u"שאילתא"},
    Entry {62, u"Options"},
    Entry {562, u"אפשרויות"},

    // Panel: query page
    Entry {63, u"All files downloaded from (site):"},
    Entry {563, u"כל הקבצים שהורדו מ"},
    Entry {64, u"Since:"},
    Entry {564, u"מתאריך"},
    Entry {65, u"Enter Date"},
    Entry {565, u"הכנס תאריך"},
    Entry {66, u"Find string:"},
    Entry {566, u"מצא מילה/מילים"},
    Entry {67, u"Find in"},
    Entry {567, u"מצא ב"},
    Entry {68, u"URL's"},
    Entry {568, u"כתובות"},
    Entry {69, u"Notes"},
    Entry {569, u"הערות"},
    Entry {70, u"All"},
    Entry {570, u"הכל"},
    Entry {71, u"Enter String"},
    Entry {571, u"הכנס מילה/מילים"},
    Entry {81, u"Search"},
    Entry {581, u"חפש"},
    Entry {82, u"Titles"},
    Entry {582, u"כותרות"},

    // Panel: popup menu
    Entry {100, u"Navigate To.."},
    Entry {600, u"לך אל"},
    Entry {101, u"Find"},
    Entry {601, u"מצא"},
    Entry {102, u"Delete"},
    Entry {602, u"מחק"},
    Entry {103, u"Note"},
    Entry {603, u"הערה"},
    Entry {104, u"Properties"},
    Entry {604, u"תכונות"},
    Entry {105, u"About"},
    Entry {605, u"אודות"},
    Entry {110, u"Help"},
    Entry {610, u"עזרה"},

    // Panel: never-record rules, messages of favorites, tasks and session deletion
    Entry {111, u"Never record"},
    Entry {611, u"לא לתעד לעולם"},
    Entry {112, u"Host name or URL prefix"},
    Entry {612, u"שם אתר או תחילת כתובת"},
    Entry {113, u"Add"},
    Entry {613, u"הוסף"},
    Entry {114, u"Remove"},
    Entry {614, u"הסר"},
    Entry {115, u" could not be added to favorites: "},
    Entry {615, u" לא נוסף למועדפים: "},
    Entry {116, u"Delete this browsing session and its visits from every site?"},
    Entry {616, u"למחוק את הגלישה הזו ואת הביקורים שלה מכל האתרים?"},
    Entry {117, u"Task saved in "},
    Entry {617, u"המשימה נשמרה ב"},
    Entry {118, u"The task could not be written: "},
    Entry {618, u"לא ניתן לשמור את המשימה: "},

    // Panel: recording state, find and query answers, deletion of a site
    Entry {119, u"Pause recording"},
    Entry {619, u"השהה את ההקלטה"},
    Entry {120, u"Resume recording"},
    Entry {620, u"המשך להקליט"},
    Entry {121, u"Favorites"},
    Entry {621, u"מועדפים"},
    Entry {122, u"Add to "},
    Entry {622, u"הוסף ל"},
    Entry {123, u"Recording paused"},
    Entry {623, u"ההקלטה מושהית"},
    Entry {124, u"Not found"},
    Entry {624, u"לא נמצא"},
    Entry {125, u"Delete the record of this site, with its visits and note?"},
    Entry {625, u"למחוק את הרישום של האתר הזה, עם הביקורים וההערה?"},
    Entry {126, u"Choose where to find the string: URL's, Titles, Notes or All."},
    Entry {626, u"בחר היכן לחפש: כתובות, כותרות, הערות או הכל."},
    Entry {127, u"Sites found: "},
    Entry {627, u"אתרים שנמצאו: "},
    Entry {128, u" was added to favorites"},
    Entry {628, u" נוסף למועדפים"},
    Entry {129, u"Unreadable site files: "},
    Entry {629, u"קבצי אתר שלא נקראו: "},
    Entry {130, u"Path not found: "},
    Entry {630, u"הנתיב לא נמצא: "},
    Entry {131, u"Unexpected Error: "},
    Entry {631, u"שגיאה לא צפויה: "},

    // Panel: options page and the menu items without a design identifier
    Entry {132, u"Browser"},
    Entry {632, u"דפדפן"},
    Entry {133, u"TreeView"},
    Entry {633, u"תצוגת העץ"},
    Entry {134, u"Never quit"},
    Entry {634, u"לעולם לא לסגור"},
    Entry {135, u"Allways quit"},
    Entry {635, u"תמיד לסגור"},
    Entry {136, u"Ask"},
    Entry {636, u"לשאול"},
    Entry {137, u"Stay on top"},
    Entry {637, u"תמיד למעלה"},
    Entry {138, u"Description in Tree"},
    Entry {638, u"כותרות בעץ"},
    Entry {139, u"Urls in Tree"},
    Entry {639, u"כתובות בעץ"},
    Entry {140, u"Hebrew"},
    Entry {640, u"עברית"},
    Entry {141, u"Add to tasks"},
    Entry {641, u"הוסף למשימות"},
    Entry {142, u"Change folder"},
    Entry {642, u"החלף ספריה"},
    Entry {143, u"The find, help and start windows change language at the next start."},
    Entry {643, u"חלונות החיפוש, העזרה והפתיחה יחליפו שפה בהפעלה הבאה."},

    // Host: start and help windows
    Entry {144, u"A record of the pages you visit."},
    Entry {644, u"תיעוד של הדפים שבהם ביקרת."},
    Entry {145, u"Version "},
    Entry {645, u"גרסה "},
    Entry {146, u"Can't open file: "},
    Entry {646, u"לא ניתן לפתוח את הקובץ: "},
    // Panel: the text kept of visited pages
    Entry {147, u"Page text"},
    Entry {647, u"טקסט הדפים"},
    Entry {148, u"Keep the text of pages"},
    Entry {648, u"לשמור את הטקסט של הדפים"},
    Entry {149, u"Forget all page text"},
    Entry {649, u"לשכוח את כל הטקסט של הדפים"},
    Entry {150, u"Forget the text of every page you visited?"},
    Entry {650, u"לשכוח את הטקסט של כל הדפים שביקרת בהם?"},
    Entry {151, u"In the page: "},
    Entry {651, u"בדף: "},

    // Panel: the search box above the tree
    Entry {152, u"Search titles, URLs and notes"},
    Entry {652, u"חיפוש בכותרות, בכתובות ובהערות"},

    // Panel: the summary of a session in the chronological outline
    Entry {153, u"%1 pages"},
    Entry {653, u"%1 דפים"},
    Entry {154, u"1 page"},
    Entry {654, u"דף אחד"},
};

// The table above is written in reading order; lookups use this sorted copy.
constexpr auto s_sorted = [] {
    auto sorted = s_table;
    std::sort(
        sorted.begin(), sorted.end(), [](const Entry &a, const Entry &b) { return a.id < b.id; });
    return sorted;
}();

static_assert(std::adjacent_find(s_sorted.begin(),
                                 s_sorted.end(),
                                 [](const Entry &a, const Entry &b) { return a.id == b.id; })
                  == s_sorted.end(),
              "every identifier appears once");

const Entry *find(int id)
{
    const auto it = std::lower_bound(s_sorted.begin(),
                                     s_sorted.end(),
                                     id,
                                     [](const Entry &e, int value) { return e.id < value; });
    return it != s_sorted.end() && it->id == id ? &*it : nullptr;
}

} // namespace

bool RoamStrings::lookup(int id, QString *text)
{
    const Entry *entry = find(id);
    if (!entry)
        return false;
    if (text)
        *text = entry->text.toString();
    return true;
}

std::optional<QString> RoamStrings::text(int id)
{
    if (const Entry *entry = find(id))
        return entry->text.toString();
    return std::nullopt;
}

QString RoamStrings::text(int id, int langOffset)
{
    return text(id + langOffset).value_or(text(id).value_or(QString()));
}

bool RoamStrings::contains(int id)
{
    return find(id) != nullptr;
}

QList<int> RoamStrings::identifiers()
{
    QList<int> ids;
    ids.reserve(qsizetype(s_sorted.size()));
    for (const Entry &entry : s_sorted)
        ids.append(entry.id);
    return ids;
}
