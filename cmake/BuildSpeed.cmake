# What makes a first build fast on two cores, beside the precompiled
# headers (Precompiled.cmake). Measured on the project's own sources:
# - a folder's sources compiled as one unit instead of one by one took a
#   third of the time (src/install: 14 files, 49 s one by one, 16 s at once);
# - gold linked a test program in half the time of the default linker, and
#   in a third of that again with the debug information left in .dwo files
#   beside the objects (95% of the libraries' bytes), which gdb reads there;
# - test programs compiled without optimisation in less than half the time
#   (they run for seconds; the code they test keeps the build's flags).
# -DQUORVEL_UNITY=OFF (with -DQUORVEL_PCH=OFF) compiles each file alone, to
# find a file that includes too little or clashes with a neighbour's name.
option(QUORVEL_UNITY "Compile the sources of each program library in batches" ON)

include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=gold QUORVEL_HAVE_GOLD)
if(QUORVEL_HAVE_GOLD)
    add_link_options(-fuse-ld=gold)
endif()
include(CheckCXXCompilerFlag)
check_cxx_compiler_flag(-gsplit-dwarf QUORVEL_HAVE_SPLIT_DWARF)
if(QUORVEL_HAVE_SPLIT_DWARF AND NOT QUORVEL_FUZZ)
    add_compile_options($<$<CONFIG:Debug,RelWithDebInfo>:-gsplit-dwarf>)
endif()

# quorvel_unity(<target>...): each target's sources in batches of eight, so
# that an edit recompiles eight files, not the folder.
function(quorvel_unity)
    if(QUORVEL_UNITY)
        set_target_properties(${ARGN} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
    endif()
endfunction()

# quorvel_moc_for(<target>...): moc for targets that declare QObjects.
function(quorvel_moc_for)
    set_target_properties(${ARGN} PROPERTIES AUTOMOC ON)
endfunction()

# quorvel_unoptimised(<target>...): compiled without optimisation whatever
# the build type (test and replay programs; PUBLIC, so that a test library's
# users and its precompiled headers share the flags).
function(quorvel_unoptimised)
    foreach(target ${ARGN})
        target_compile_options(${target} PUBLIC -O0)
    endforeach()
endfunction()
