#pragma once
// Identifiers shared by the resource script and the program (the resource compiler takes
// only preprocessor definitions).

#define IDI_ZWQMANAGER 1

// "Новая книга"
#define IDD_NEWBOOK 100
#define IDC_NEWBOOK_AUTHOR_LABEL 101
#define IDC_NEWBOOK_AUTHOR 102
#define IDC_NEWBOOK_TITLE_LABEL 103
#define IDC_NEWBOOK_TITLE 104
#define IDC_NEWBOOK_ANNOUNCER_LABEL 105
#define IDC_NEWBOOK_ANNOUNCER 106
#define IDC_NEWBOOK_SUMMARY 107
#define IDC_NEWBOOK_LEFTOUT 108

// "Перемещение книги"
#define IDD_PLACE 110
#define IDC_PLACE_BOOK 111
#define IDC_PLACE_LABEL 112
#define IDC_PLACE_EDIT 113
#define IDC_PLACE_SPIN 114

// "Упорядочить книги"
#define IDD_SORT 120
#define IDC_SORT_AUTHOR 121
#define IDC_SORT_TITLE 122
