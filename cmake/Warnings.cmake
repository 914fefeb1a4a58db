# Warnings for every target of the project; CI turns them into errors with VM_WERROR.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wformat=2 -Wcast-qual -Wnon-virtual-dtor)
if(VM_WERROR)
    add_compile_options(-Werror)
endif()
if(VM_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()
if(VM_FUZZ)
    # Every object of a fuzzing build carries coverage and the sanitizers, so the code under
    # test is instrumented wherever it is compiled; the fuzz targets add the driver at link.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()
