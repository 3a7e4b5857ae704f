# The geodesy benchmark compares with PROJ's C API; PROJ is linked into this
# program only.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PHX_PROJ REQUIRED IMPORTED_TARGET proj)
target_link_libraries(bench_geodesy PRIVATE PkgConfig::PHX_PROJ)
