# The templates' compiler stops at any form of the resource script it does not read, rather
# than leave a control, a dialog or a menu item out of the other front-ends' templates.
#
#   cmake -DCOMPILER=RcTemplates.cmake -DWORK=DIR -P rc_templates_refuses.cmake

set(head "1 DIALOGEX 0, 0, 10, 10\nCAPTION \"c\"\nFONT 8, \"f\", 400, 0, 1\nBEGIN\n")
set(dialog "${head}    CONTROL \"\", 1, \"Edit\", WS_BORDER, 0, 0, 5, 5\nEND\n")
set(menu "2 MENU\nBEGIN\n    POPUP \"\"\n    BEGIN\n")
set(icon "3 ICON \"i.ico\"\n")
# Each case: a name, the script, and what the message must say.
set(cases
    "a dialog without controls (no empty arrays in C++)"
    "${head}END\n${menu}        MENUITEM \"m\", 4\n    END\nEND\n${icon}"
    "at least one control"

    "a menu without items"
    "${dialog}${menu}    END\nEND\n${icon}"
    "at least one item"

    "a control statement other than CONTROL"
    "${head}    PUSHBUTTON \"OK\", 1, 0, 0, 5, 5\nEND\n${menu}    END\nEND\n${icon}"
    "only CONTROL statements"

    "a dialog that is not extended"
    "1 DIALOG 0, 0, 10, 10\nBEGIN\nEND\n${menu}    END\nEND\n${icon}"
    "not understood"

    "a dialog statement the templates have no field for"
    "1 DIALOGEX 0, 0, 10, 10\nMENU 5\nBEGIN\nEND\n${menu}    END\nEND\n${icon}"
    "not understood: 'MENU 5'"

    "a font without weight, italic and charset"
    "1 DIALOGEX 0, 0, 10, 10\nCAPTION \"c\"\nFONT 8, \"f\"\nBEGIN\nEND\n${menu}    END\nEND\n${icon}"
    "not understood: 'FONT"

    "a style term that is an expression"
    "${head}    CONTROL \"\", 1, \"Edit\", (WS_BORDER), 0, 0, 5, 5\nEND\n${menu}    END\nEND\n${icon}"
    "style term not understood"

    "a control without its size"
    "${head}    CONTROL \"\", 1, \"Edit\", WS_BORDER, 0, 0\nEND\n${menu}    END\nEND\n${icon}"
    "x, y, cx, cy"

    "a submenu"
    "${dialog}${menu}        POPUP \"sub\"\n    END\nEND\n${icon}"
    "only MENUITEMs"

    "a titled popup"
    "${dialog}2 MENU\nBEGIN\n    POPUP \"File\"\n    BEGIN\n    END\nEND\n${icon}"
    "one untitled POPUP"

    "a second popup"
    "${dialog}${menu}        MENUITEM \"m\", 4\n    END\n    POPUP \"\"\nEND\n${icon}"
    "END expected after its one POPUP"

    "a script that stops inside a dialog"
    "${head}    CONTROL \"\", 1, \"Edit\", WS_BORDER, 0, 0, 5, 5\n"
    "ends inside a dialog or menu"

    "an icon not beside the script"
    "${dialog}${menu}        MENUITEM \"m\", 4\n    END\nEND\n3 ICON \"icons/i.ico\"\n"
    "not understood"
)

set(failures 0)
list(LENGTH cases count)
math(EXPR last "${count} - 1")
foreach(index RANGE 0 ${last} 3)
    math(EXPR script_at "${index} + 1")
    math(EXPR said_at "${index} + 2")
    list(GET cases ${index} name)
    list(GET cases ${script_at} script)
    list(GET cases ${said_at} said)
    file(WRITE ${WORK}/case.rc "${script}")
    execute_process(COMMAND ${CMAKE_COMMAND} -DRC=${WORK}/case.rc -DOUTPUT=${WORK}/case.inc
                            -P ${COMPILER}
                    RESULT_VARIABLE result ERROR_VARIABLE message OUTPUT_QUIET)
    string(REPLACE "\n" " " message "${message}")
    string(REGEX REPLACE "  +" " " message "${message}")
    string(FIND "${message}" "${said}" at)
    if(result EQUAL 0 OR at EQUAL -1)
        message(SEND_ERROR "${name}: exit ${result}, message: ${message}")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()
if(failures EQUAL 0)
    message(STATUS "every form refused")
endif()
