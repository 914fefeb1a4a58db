# Runs the icon generator into OUTPUT and fails unless its files equal those kept in SOURCE.
file(MAKE_DIRECTORY ${OUTPUT})
execute_process(COMMAND ${GENERATOR} ${OUTPUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "icon generator failed: ${status}")
endif()
foreach(pair "online.ico;shell/resources/online.ico" "offline.ico;shell/resources/offline.ico"
        "online.png;packaging/icons/online.png" "offline.png;packaging/icons/offline.png")
    list(GET pair 0 generated)
    list(GET pair 1 kept)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT}/${generated}
        ${SOURCE}/${kept} RESULT_VARIABLE differs)
    if(differs)
        message(FATAL_ERROR "${kept} differs from what vellumark-icongen draws; rerun it")
    endif()
endforeach()
