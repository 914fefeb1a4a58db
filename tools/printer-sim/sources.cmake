# vellumark-printer-sim: POSIX only (it is a test and demo tool, not built for Windows).
if(NOT WIN32)
    # The agent's logic, without main(): the tests link it too. It shares the manager's codec
    # (vm_ber) but nothing else of it.
    add_library(vm_printer_sim_core STATIC
        typed_value.cpp
        profile.cpp
        walk.cpp
        responder.cpp
        conditions.cpp
        live.cpp
        control.cpp
        options.cpp
        fleet.cpp
        udp_socket.cpp
        delay_queue.cpp
        signals.cpp
        event_loop.cpp)
    target_include_directories(vm_printer_sim_core PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(vm_printer_sim_core PUBLIC vm_ber PRIVATE vm_version)

    set(VM_SIM_PROFILE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/profiles CACHE INTERNAL
        "Bundled printer profiles of vellumark-printer-sim")

    add_executable(vellumark-printer-sim main.cpp)
    target_link_libraries(vellumark-printer-sim PRIVATE vm_printer_sim_core)
    target_compile_definitions(vellumark-printer-sim PRIVATE
        VM_SIM_PROFILE_DIR="${VM_SIM_PROFILE_DIR}")

    # libFuzzer target for what the agent reads from the network: SNMP requests and control
    # datagrams (built with -DVM_FUZZ=ON and clang, like fuzz/).
    if(VM_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        add_executable(fuzz_sim_requests fuzz_sim_requests.cpp)
        target_link_libraries(fuzz_sim_requests PRIVATE vm_printer_sim_core)
        target_link_options(fuzz_sim_requests PRIVATE -fsanitize=fuzzer)
    endif()
endif()
