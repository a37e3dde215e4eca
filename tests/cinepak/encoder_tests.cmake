# Compressor tests.
