# Times start to drawn, alternating the host and the floor program so both see the same load:
# from exec to the line each prints once all four of its windows have drawn.
import signal
import statistics
import subprocess
import sys
import time


def once(cmd, pattern, count):
    t0 = time.monotonic()
    p = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    seen, took = 0, None
    for line in p.stderr:
        if pattern in line:
            seen += 1
            if seen == count:
                took = time.monotonic() - t0
                break
    p.send_signal(signal.SIGTERM)
    p.wait()
    return took


cli, floor, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
times = {"floor": [], "host": []}
for _ in range(runs):
    times["floor"].append(once([floor], "all drawn", 1))
    times["host"].append(once([cli, "host", "--verbose"], " drawn", 4))
    time.sleep(0.3)
for name, values in times.items():
    values = [v for v in values if v is not None]
    print(f"{name}: median {1000 * statistics.median(values):.1f} ms over {len(values)} runs")
print(f"host / floor: {statistics.median(times['host']) / statistics.median(times['floor']):.2f}")
