#!/usr/bin/python3
"""The live page's redraw time, measured in headless Chromium: from the
input event of a changed Vb to the end of the redraw of every chart (368
grid points), with 8 kept designs drawn beside it.

usage: bench/live_page_bench.py BUILD_DIR [CHANGES]
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
import live_page_test as page  # noqa: E402  the same browser and field helpers

from selenium.webdriver.common.by import By  # noqa: E402


def main():
    build = sys.argv[1]
    changes = int(sys.argv[2]) if len(sys.argv) > 2 else 50
    work = tempfile.mkdtemp(prefix="live_page_bench_")
    design = os.path.join(work, "woofer_vented.toml")
    shutil.copy(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples", "designs",
                             "woofer_vented.toml"), design)
    server = subprocess.Popen([os.path.join(build, "acoustic_design"), "--serve", design], stdout=subprocess.PIPE,
                              text=True)
    driver = None
    try:
        address = server.stdout.readline().strip()
        driver = page.browser(os.path.join(work, "profile"))
        driver.set_window_size(1400, 1000)
        driver.get(address)
        page.WebDriverWait(driver, 20).until(lambda d: d.find_elements(By.CSS_SELECTOR, "#summary tbody tr"))
        page.settled(driver)
        for k in range(8):
            page.set_field(driver, "enclosure.Vb", "%d l" % (30 + 5 * k))
            page.settled(driver)
            driver.find_element(By.ID, "keep").click()
        driver.execute_script("window.redrawTimes = []")
        splits = []
        for k in range(changes):
            page.set_field(driver, "enclosure.Vb", "%.1f l" % (35 + 0.5 * k))
            page.settled(driver)
            splits.append(driver.execute_script("return window.lastSplit"))
        times = driver.execute_script("return window.redrawTimes")
        points = driver.execute_script("return state.charts[0].graph.numRows()")
        series = driver.execute_script("return state.charts[0].graph.getLabels().length - 1")
    finally:
        if driver:
            driver.quit()
        server.terminate()
        server.wait()
        shutil.rmtree(work, ignore_errors=True)
    times.sort()
    answer = sorted(s["answer"] for s in splits)
    draw = sorted(s["draw"] for s in splits)
    print("of which the answer (request, computation, reply) median %.1f ms, the redraw median %.1f ms" %
          (statistics.median(answer), statistics.median(draw)))
    print("%d changes, %d grid points, %d curves on the SPL chart (8 kept designs)" % (len(times), points, series))
    print("change to redraw [ms]: median %.1f, 90th percentile %.1f, max %.1f" %
          (statistics.median(times), times[int(0.9 * (len(times) - 1))], times[-1]))


if __name__ == "__main__":
    main()
