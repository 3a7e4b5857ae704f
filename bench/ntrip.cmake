# openpty for the pseudo-terminal that stands for the GNSS port.
target_link_libraries(bench_ntrip PRIVATE util)
