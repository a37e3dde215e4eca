# Decode benchmark.
