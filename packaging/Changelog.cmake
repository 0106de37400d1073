# The project's CHANGELOG.md read at configure time, for the Linux package:
#   ZWQ_RELEASE_DATE         the date of the newest release, which must be PROJECT_VERSION;
#   ZWQ_APPSTREAM_RELEASES   the <release> elements of the AppStream metainfo, newest first;
#   <build>/packaging/changelog, the same changes in the Debian changelog format.
# CHANGELOG.md: headings "## VERSION (YYYY-MM-DD)", each followed by "- " items whose further
# lines are indented by two blanks; any other line is prose and left out.

set(ZWQ_CHANGELOG ${CMAKE_SOURCE_DIR}/CHANGELOG.md)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ZWQ_CHANGELOG})

# "Mon, 07 Dec 2026 00:00:00 +0000" for 2026-12-07 (the weekday by Sakamoto's method).
function(zwq_rfc2822_date iso result)
    string(REGEX MATCH "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$" matched "${iso}")
    if(NOT matched)
        message(FATAL_ERROR "${ZWQ_CHANGELOG}: ${iso} is not a date YYYY-MM-DD")
    endif()
    set(year ${CMAKE_MATCH_1})
    math(EXPR month "1${CMAKE_MATCH_2} - 100")
    math(EXPR day "1${CMAKE_MATCH_3} - 100")
    set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
    math(EXPR index "${month} - 1")
    list(GET offsets ${index} offset)
    if(month LESS 3)
        math(EXPR year "${year} - 1")
    endif()
    math(EXPR weekday "(${year} + ${year} / 4 - ${year} / 100 + ${year} / 400 + ${offset} + ${day}) % 7")
    set(weekdays Sun Mon Tue Wed Thu Fri Sat)
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(GET weekdays ${weekday} weekday_name)
    list(GET months ${index} month_name)
    set(${result} "${weekday_name}, ${CMAKE_MATCH_3} ${month_name} ${CMAKE_MATCH_1} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

file(READ ${ZWQ_CHANGELOG} text)
# One list element per line; ";", "[" and "]", which would join lines of a list, are kept aside
# as markers.
string(REPLACE ";" "<semicolon>" text "${text}")
string(REPLACE "[" "<opening>" text "${text}")
string(REPLACE "]" "<closing>" text "${text}")
string(REPLACE "\n" ";" lines "${text}")

set(debian "")
set(ZWQ_APPSTREAM_RELEASES "")
set(versions "")
set(trailer "")
foreach(line IN LISTS lines)
    string(REPLACE "<semicolon>" ";" line "${line}")
    string(REPLACE "<opening>" "[" line "${line}")
    string(REPLACE "<closing>" "]" line "${line}")
    if(line MATCHES "^## ([0-9]+\\.[0-9]+\\.[0-9]+) \\(([0-9-]+)\\)$")
        set(version ${CMAKE_MATCH_1})
        set(date ${CMAKE_MATCH_2})
        zwq_rfc2822_date(${date} stamp)
        if(NOT versions)
            set(ZWQ_RELEASE_DATE ${date})
        endif()
        list(APPEND versions ${version})
        string(APPEND debian "${trailer}${CPACK_PACKAGE_NAME} (${version}) unstable; urgency=medium\n\n")
        string(APPEND ZWQ_APPSTREAM_RELEASES "\n    <release version=\"${version}\" date=\"${date}\"/>")
        set(trailer "\n -- ${CPACK_PACKAGE_CONTACT}  ${stamp}\n\n")
    elseif(versions AND line MATCHES "^- (.*)$")
        string(APPEND debian "  * ${CMAKE_MATCH_1}\n")
    elseif(versions AND line MATCHES "^  ([^ ].*)$")
        string(APPEND debian "    ${CMAKE_MATCH_1}\n")
    endif()
endforeach()
string(APPEND debian "${trailer}")
string(APPEND ZWQ_APPSTREAM_RELEASES "\n  ")

if(NOT versions)
    message(FATAL_ERROR "${ZWQ_CHANGELOG} names no release (\"## VERSION (YYYY-MM-DD)\")")
endif()
list(GET versions 0 newest)
if(NOT newest VERSION_EQUAL PROJECT_VERSION)
    message(FATAL_ERROR "${ZWQ_CHANGELOG} begins with ${newest}, but the project's version is ${PROJECT_VERSION}: "
                        "describe the release there")
endif()
# Rewritten only when it changes, so that the package's changelog.gz is not made again for nothing.
file(WRITE ${CMAKE_BINARY_DIR}/packaging/changelog.new "${debian}")
configure_file(${CMAKE_BINARY_DIR}/packaging/changelog.new ${CMAKE_BINARY_DIR}/packaging/changelog COPYONLY)
