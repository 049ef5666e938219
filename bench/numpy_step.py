#!/usr/bin/python3
"""One angular-spectrum step written with numpy against the same step in
orvilane_bench (its PropagationStep benchmark), on one core.

The step takes an N x N field (Ex and Ey) from x-space to x-space: forward
FFT, multiplication by exp(i kz d) (kz from k^2 - kx^2 - ky^2, evanescent
samples kept), inverse FFT. Rounds alternate between the two programs and the
medians are compared. The four bare FFTW transforms the step contains (the
Transforms benchmark's warm_ms) are timed in the same rounds: no step can be
faster than they are, which bounds the ratio. Installs python3-numpy with
apt-get when it is missing.

    bench/numpy_step.py [--bench build-bench/bench/orvilane_bench] [--rounds 5]
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

N = 1025
STEP = 1e-6  # metres, as the C++ benchmark's grid
WAVELENGTH = 1e-6
DISTANCE = 1e-3


SYSTEM_PYTHON = "/usr/bin/python3"


def numpy_module():
    try:
        import numpy
        return numpy
    except ImportError:
        pass
    command = ["apt-get", "install", "-y", "python3-numpy"]
    if os.geteuid() != 0:
        command = ["sudo"] + command
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    # The Debian package serves the system's Python, which may not be this one.
    if os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON):
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)
    import numpy
    return numpy


def numpy_step(np, ex, ey):
    n = ex.shape[0]
    k = 2 * np.pi / WAVELENGTH
    kx = 2 * np.pi * np.fft.fftfreq(n, STEP)
    kz2 = k * k - kx[:, None] ** 2 - kx[None, :] ** 2
    travelling = kz2 >= 0
    h = np.where(travelling, np.exp(1j * np.sqrt(np.where(travelling, kz2, 0.0)) * DISTANCE), 1.0)
    return np.fft.ifft2(np.fft.fft2(ex) * h), np.fft.ifft2(np.fft.fft2(ey) * h)


def bench_ms(bench, cpu):
    """The step's time and that of its four bare FFTW transforms, in ms."""
    # The runs log to standard output: the figures go to a file of their own.
    with tempfile.NamedTemporaryFile(suffix=".json") as figures:
        subprocess.run(["taskset", "-c", str(cpu), bench,
                        f"--benchmark_filter=^(PropagationStep/|Transforms/N:{N}/threads:1/)",
                        "--benchmark_out=" + figures.name, "--benchmark_out_format=json"],
                       check=True, stdout=subprocess.DEVNULL)
        with open(figures.name) as f:
            runs = {b["name"].split("/")[0]: b for b in json.load(f)["benchmarks"]}
        return runs["PropagationStep"]["step_ms"], runs["Transforms"]["warm_ms"]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bench", default=os.path.join(here, "..", "build-bench", "bench", "orvilane_bench"))
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()

    np = numpy_module()
    cpu = min(os.sched_getaffinity(0))
    os.sched_setaffinity(0, {cpu})
    rng = np.random.default_rng(1)
    ex = rng.standard_normal((N, N)) + 1j * rng.standard_normal((N, N))
    ey = rng.standard_normal((N, N)) + 1j * rng.standard_normal((N, N))
    numpy_step(np, ex, ey)  # warm

    numpy_ms, ours_ms, bare_ms = [], [], []
    for _ in range(args.rounds):
        times = []
        for _ in range(3):
            start = time.perf_counter()
            numpy_step(np, ex, ey)
            times.append(1e3 * (time.perf_counter() - start))
        numpy_ms.append(statistics.median(times))
        step, bare = bench_ms(args.bench, cpu)
        ours_ms.append(step)
        bare_ms.append(bare)
    numpy_median = statistics.median(numpy_ms)
    ours_median = statistics.median(ours_ms)
    print(f"N = {N}, one core (cpu {cpu}), numpy {np.__version__}")
    print(f"numpy step:    {numpy_median:8.1f} ms  (rounds: {', '.join(f'{t:.1f}' for t in numpy_ms)})")
    print(f"orvilane step: {ours_median:8.1f} ms  (rounds: {', '.join(f'{t:.1f}' for t in ours_ms)})")
    bare_median = statistics.median(bare_ms)
    print(f"bare FFTW:     {bare_median:8.1f} ms  (the step's four transforms alone)")
    print(f"orvilane is {numpy_median / ours_median:.2f} x as fast as numpy "
          f"(bare FFTW would be {numpy_median / bare_median:.2f} x)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
