#!/usr/bin/python3
"""One angular-spectrum step written with numpy against the same step in
orvilane_bench (its PropagationStep benchmark), on one core.

The step takes an N x N field (Ex and Ey) from x-space to x-space: forward
FFT, multiplication by exp(i kz d) (kz from k^2 - kx^2 - ky^2, evanescent
samples kept), inverse FFT. Rounds alternate between the two programs and the
medians are compared. Installs python3-numpy with apt-get when it is missing.

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


def bench_step_ms(bench, cpu):
    # The runs log to standard output: the figures go to a file of their own.
    with tempfile.NamedTemporaryFile(suffix=".json") as figures:
        subprocess.run(["taskset", "-c", str(cpu), bench, "--benchmark_filter=^PropagationStep/",
                        "--benchmark_out=" + figures.name, "--benchmark_out_format=json"],
                       check=True, stdout=subprocess.DEVNULL)
        with open(figures.name) as f:
            return json.load(f)["benchmarks"][0]["step_ms"]


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

    numpy_ms, ours_ms = [], []
    for _ in range(args.rounds):
        times = []
        for _ in range(3):
            start = time.perf_counter()
            numpy_step(np, ex, ey)
            times.append(1e3 * (time.perf_counter() - start))
        numpy_ms.append(statistics.median(times))
        ours_ms.append(bench_step_ms(args.bench, cpu))
    numpy_median = statistics.median(numpy_ms)
    ours_median = statistics.median(ours_ms)
    print(f"N = {N}, one core (cpu {cpu}), numpy {np.__version__}")
    print(f"numpy step:    {numpy_median:8.1f} ms  (rounds: {', '.join(f'{t:.1f}' for t in numpy_ms)})")
    print(f"orvilane step: {ours_median:8.1f} ms  (rounds: {', '.join(f'{t:.1f}' for t in ours_ms)})")
    print(f"orvilane is {numpy_median / ours_median:.2f} x as fast as numpy")
    return 0


if __name__ == "__main__":
    sys.exit(main())
