# Encode benchmark.
