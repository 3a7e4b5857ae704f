# The serial benchmark opens a pseudo-terminal (libutil) and needs no more
# than the device input library.
target_link_libraries(bench_serial PRIVATE phx_devices util)
