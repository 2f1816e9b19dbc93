#!/usr/bin/python3
"""The live design page in headless Chromium, against the command line's own
files for the same designs.

usage: live_page_test.py ACOUSTIC_DESIGN EXAMPLES_DIR

Exits 77 (a skip for CTest) when Selenium, Chromium or chromedriver is
missing, unless ACOUSTIC_REQUIRE_BROWSER=1 (CI), where that is a failure.
"""
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time


def missing(what):
    print("live page test: %s is missing" % what, file=sys.stderr)
    sys.exit(1 if os.environ.get("ACOUSTIC_REQUIRE_BROWSER") == "1" else 77)


try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    missing("python3-selenium")
for path in ("/usr/bin/chromedriver", "/usr/bin/chromium"):
    if not os.path.exists(path):
        missing(path)

DESIGN = EXAMPLES = None  # from the command line
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


def command_line(toml_path, out_dir):
    """NAME.csv and NAME_summary.csv of the command line, and its stderr."""
    os.makedirs(out_dir, exist_ok=True)
    run = subprocess.run([DESIGN, toml_path, "--out", out_dir], capture_output=True, text=True)
    stem = os.path.splitext(os.path.basename(toml_path))[0]
    if run.returncode != 0:
        return None, None, run.stderr
    with open(os.path.join(out_dir, stem + ".csv")) as f:
        csv = f.read()
    with open(os.path.join(out_dir, stem + "_summary.csv")) as f:
        summary = f.read()
    return csv, summary, run.stderr


def summary_value(summary, quantity):
    for line in summary.splitlines()[1:]:
        q, v, _ = line.split(",")
        if q == quantity:
            return v
    return None


def with_vb(text, vb):
    lines = [('Vb = "%s"' % vb) if l.startswith("Vb = ") else l for l in text.split("\n")]
    return "\n".join(lines)


def browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for a in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-background-networking",
              "--disable-component-update", "--disable-sync", "--no-first-run", "--user-data-dir=" + profile):
        options.add_argument(a)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def page_summary(driver):
    rows = driver.find_elements(By.CSS_SELECTOR, "#summary tbody tr")
    return "quantity,value,unit\n" + "".join(",".join(td.text for td in r.find_elements(By.TAG_NAME, "td")) + "\n"
                                             for r in rows)


def set_field(driver, key, value):
    field = driver.find_element(By.ID, "k-" + key.replace(".", "-"))
    driver.execute_script(
        "arguments[0].value = arguments[1]; arguments[0].dispatchEvent(new Event('input'));", field, value)


def settled(driver):
    """Waits for the newest request's answer to be shown."""
    WebDriverWait(driver, 20).until(lambda d: d.execute_script("return state.drawn === state.seq"))


def main():
    work = tempfile.mkdtemp(prefix="live_page_")
    try:
        run(work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("%d check(s) failed" % len(failures), file=sys.stderr)
        return 1
    print("live page: every check passed")
    return 0


def run(work):
    designs = os.path.join(work, "designs")
    os.makedirs(designs)
    source = os.path.join(EXAMPLES, "designs", "woofer_vented.toml")
    vented = os.path.join(designs, "woofer_vented.toml")
    shutil.copy(source, vented)
    with open(vented) as f:
        original = f.read()
    markup_name = "<img src=x onerror=alert(1)>"
    markup = os.path.join(designs, "markup.toml")
    with open(markup, "w") as f:
        f.write(original.replace('name = "8-inch woofer"', 'name = "%s"' % markup_name))
    chamber = os.path.join(designs, "chamber_trap.toml")
    shutil.copy(os.path.join(EXAMPLES, "designs", "chamber_trap.toml"), chamber)
    server = subprocess.Popen([DESIGN, "--serve", vented, markup, chamber, "--port", "0"], stdout=subprocess.PIPE,
                              text=True)
    driver = None
    try:
        address = server.stdout.readline().strip()
        check(address.startswith("http://127.0.0.1:") and "/?token=" in address, "the address line: " + address)
        driver = browser(os.path.join(work, "profile"))
        driver.get(address)
        WebDriverWait(driver, 20).until(lambda d: d.find_elements(By.CSS_SELECTOR, "#summary tbody tr"))
        settled(driver)
        if os.environ.get("LIVE_PAGE_SCREENSHOT"):
            driver.set_window_size(1400, 1000)
            driver.save_screenshot(os.environ["LIVE_PAGE_SCREENSHOT"])
        checks(driver, work, designs, vented, original, markup_name)
        other_columns(driver, work, chamber)
    finally:
        if driver:
            driver.quit()
        server.terminate()
        check(server.wait(timeout=10) == 0, "the server stops cleanly on SIGTERM")


def checks(driver, work, designs, vented, original, markup_name):
    csv, summary, _ = command_line(vented, os.path.join(work, "cli0"))
    check(page_summary(driver) == summary, "the page's summary equals woofer_vented_summary.csv")
    check(driver.execute_script("return state.answer.csv") == csv, "the page's response table equals woofer_vented.csv")
    check(len(driver.find_elements(By.CSS_SELECTOR, ".chart canvas")) > 0, "the curves are drawn")

    # The cursor's frequency and SPL, as the response table has them at its row (5 figures).
    ActionChains(driver).move_to_element(driver.find_element(By.CSS_SELECTOR, "#charts .chart-block .chart")).perform()
    WebDriverWait(driver, 5).until(lambda d: "Hz" in d.find_element(By.ID, "readout").text)
    row = driver.execute_script("return state.charts[0].graph.getSelection()")
    table_row = csv.splitlines()[1 + row].split(",")
    cells = [float(c) for c in table_row[:2]]
    readout = driver.find_element(By.ID, "readout").text
    shown = re.match(r"([0-9.]+) Hz +SPL (-?[0-9.]+)", readout)
    check(shown and all(abs(float(v) - c) <= 1e-4 * abs(c) for v, c in zip(shown.groups(), cells)),
          "the readout %r at row %d: %r" % (readout, row, cells))
    if csv.splitlines()[0].endswith(",limited_by"):
        check(readout.endswith("limited by " + table_row[-1]), "the binding limit in %r: %s" % (readout, table_row[-1]))

    # A changed Vb: the page's F3 is the command line's for that box.
    set_field(driver, "enclosure.Vb", "40 l")
    settled(driver)
    changed = os.path.join(work, "vb40.toml")
    with open(changed, "w") as f:
        f.write(with_vb(original, "40 l"))
    _, summary40, _ = command_line(changed, os.path.join(work, "cli40"))
    check(summary_value(page_summary(driver), "F3") == summary_value(summary40, "F3"),
          "F3 at Vb = 40 l: page %s, command line %s" % (summary_value(page_summary(driver), "F3"),
                                                       summary_value(summary40, "F3")))
    good = driver.execute_script("return state.answer.csv")

    # An invalid value: the command line's message beside the field, the curves as they were.
    set_field(driver, "enclosure.Vb", "40 x")
    settled(driver)
    bad = os.path.join(work, "bad.toml")
    with open(bad, "w") as f:
        f.write(with_vb(original, "40 x"))
    _, _, stderr = command_line(bad, os.path.join(work, "clibad"))
    expected = stderr.strip().split(bad + ": ", 1)[-1]
    shown = driver.find_element(By.ID, "k-enclosure-Vb-msg").text
    check(shown.endswith(expected) and expected, "beside Vb: %r, the command line: %r" % (shown, expected))
    check(driver.execute_script("return state.answer.csv") == good, "the curves stay on the last good design")
    check(summary_value(page_summary(driver), "Vb") == "40", "the summary stays on the last good design")

    # A figure no loudspeaker has: refused beside its field, then accepted with the switch as
    # --accept-unusual accepts it.
    set_field(driver, "enclosure.Vb", "40 l")
    set_field(driver, "driver.Xmax", "12 cm")
    settled(driver)
    unusual = os.path.join(work, "unusual.toml")
    with open(unusual, "w") as f:
        f.write(with_vb(original, "40 l").replace('Xmax = "6 mm"', 'Xmax = "12 cm"'))
    _, _, stderr = command_line(unusual, os.path.join(work, "cliu"))
    expected = stderr.strip().split(unusual + ": ", 1)[-1]
    shown = driver.find_element(By.ID, "k-driver-Xmax-msg").text
    check(expected and shown.endswith(expected), "beside Xmax: %r, the command line: %r" % (shown, expected))
    driver.find_element(By.ID, "accept-unusual").click()
    settled(driver)
    run = subprocess.run([DESIGN, unusual, "--out", os.path.join(work, "cliu"), "--accept-unusual"],
                         capture_output=True, text=True)
    with open(os.path.join(work, "cliu", "unusual_summary.csv")) as f:
        check(page_summary(driver) == f.read(), "with accept unusual, the summary of --accept-unusual")
    check(driver.find_element(By.ID, "k-driver-Xmax-msg").text != "", "the figure's warning beside Xmax")
    driver.find_element(By.ID, "accept-unusual").click()
    set_field(driver, "driver.Xmax", "6 mm")
    settled(driver)

    # Keep and remove overlays.
    set_field(driver, "enclosure.Vb", "40 l")
    settled(driver)
    driver.find_element(By.ID, "keep").click()
    set_field(driver, "enclosure.Vb", "60 l")
    settled(driver)
    driver.find_element(By.ID, "keep").click()
    names = [e.text for e in driver.find_elements(By.CSS_SELECTOR, "#overlays .overlay-name")]
    check(len(names) == 2 and "Vb=40 l" in names[0] and "Vb=60 l" in names[1], "two kept designs: %r" % names)
    labels = driver.execute_script("return state.charts[0].graph.getLabels()")
    check(len(labels) == 1 + 2 * 3, "SPL chart: the design's two curves and two of each kept one: %r" % labels)
    driver.find_elements(By.CSS_SELECTOR, "#overlays .remove")[0].click()
    names = [e.text for e in driver.find_elements(By.CSS_SELECTOR, "#overlays .overlay-name")]
    check(len(names) == 1 and "Vb=60 l" in names[0], "the first removed: %r" % names)
    check(len(driver.execute_script("return state.charts[0].graph.getLabels()")) == 1 + 2 * 2,
          "SPL chart without the removed design")

    # Save a changed Vb: one line differs, the rest byte for byte.
    set_field(driver, "enclosure.Vb", "40 l")
    settled(driver)
    driver.find_element(By.ID, "save").click()
    WebDriverWait(driver, 10).until(lambda d: d.find_element(By.ID, "status").text.startswith("saved"))
    with open(vented) as f:
        saved = f.read()
    before, after = original.split("\n"), saved.split("\n")
    differ = [(a, b) for a, b in zip(before, after) if a != b]
    check(len(before) == len(after) and differ == [('Vb = "50 l"', 'Vb = "40 l"')],
          "Save: a one-line diff, got %r" % differ)

    # Save refused when the file changed on disk, with a reload offered.
    with open(vented, "a") as f:
        f.write("# edited by hand\n")
    with open(vented) as f:
        by_hand = f.read()
    set_field(driver, "enclosure.Vb", "45 l")
    settled(driver)
    driver.find_element(By.ID, "save").click()
    WebDriverWait(driver, 10).until(lambda d: d.find_element(By.ID, "notice").is_displayed())
    with open(vented) as f:
        check(f.read() == by_hand, "a file changed on disk is not overwritten")
    driver.find_element(By.ID, "reload").click()
    WebDriverWait(driver, 10).until(lambda d: d.execute_script("return state.text") == by_hand)
    settled(driver)

    # Save as: the new file runs through the command line to the page's table.
    set_field(driver, "enclosure.Vb", "35 l")
    settled(driver)
    page_csv = driver.execute_script("return state.answer.csv")
    driver.find_element(By.ID, "save-name").send_keys("box_b.toml")
    driver.find_element(By.ID, "save-as").click()
    WebDriverWait(driver, 10).until(lambda d: d.find_element(By.ID, "status").text.startswith("saved"))
    copy = os.path.join(designs, "box_b.toml")
    cli_csv, _, _ = command_line(copy, os.path.join(work, "clib"))
    check(cli_csv == page_csv, "Save as box_b.toml: the command line's box_b.csv equals the page's table")
    check(sorted(os.listdir(designs)) == ["box_b.toml", "chamber_trap.toml", "markup.toml", "woofer_vented.toml"],
          "nothing else written: %r" % sorted(os.listdir(designs)))

    # Align: the command line's alignments of the saved driver; one loaded into the form.
    run = subprocess.run([DESIGN, "--align", copy, "--out", os.path.join(work, "align")], capture_output=True, text=True)
    with open(os.path.join(work, "align", "box_b_alignments.csv")) as f:
        rows = [line.split(",") for line in f.read().splitlines()[1:]]
    driver.find_element(By.ID, "align").click()
    WebDriverWait(driver, 10).until(lambda d: d.find_elements(By.CSS_SELECTOR, "#alignment-list button"))
    buttons = driver.find_elements(By.CSS_SELECTOR, "#alignment-list button")
    check(len(buttons) == len(rows), "Align lists %d rows, the command line %d" % (len(buttons), len(rows)))
    for button, row in zip(buttons, rows):
        check(("Vb %.4g l" % float(row[2])) in button.text, "alignment %r shows Vb of %r" % (button.text, row))
    qtc707 = [b for b in buttons if b.text.startswith("closed Qtc 0.707")]
    check(len(qtc707) == 1, "a closed box of Qtc 0.707 is offered")
    if qtc707:
        qtc707[0].click()
        settled(driver)
        qtc = summary_value(page_summary(driver), "Qtc")
        check(qtc is not None and abs(float(qtc) - 0.707) < 0.002, "the loaded alignment's Qtc: %s (%s)" % (
            qtc, driver.execute_script("return JSON.stringify(state.answer.errors) + document.body.innerText")[:3000]))
        check(driver.find_element(By.ID, "k-enclosure-type").get_attribute("value") == "closed", "type closed")

    # Transient: the command line's lines for the same design and signal.
    set_field(driver, "enclosure.type", "vented")
    set_field(driver, "enclosure.Vb", "35 l")
    set_field(driver, "enclosure.fb", "32 Hz")
    set_field(driver, "enclosure.port_diameter", "75 mm")
    set_field(driver, "enclosure.Ql", "10")
    settled(driver)
    driver.find_element(By.ID, "signal").send_keys("burst:40Hz:8")
    driver.find_element(By.ID, "transient").click()
    WebDriverWait(driver, 30).until(lambda d: d.find_elements(By.CSS_SELECTOR, "#transient-lines li"))
    shown = [e.text for e in driver.find_elements(By.CSS_SELECTOR, "#transient-lines li")]
    run = subprocess.run([DESIGN, copy, "--out", os.path.join(work, "tr"), "--transient", "burst:40Hz:8"],
                         capture_output=True, text=True)
    cli_lines = [l[len("transient: "):] for l in run.stdout.splitlines() if l.startswith("transient: ")]
    check(driver.find_element(By.ID, "transient-title").text == "transient: " + cli_lines[0],
          "the transient's signal: %r" % cli_lines[:1])
    check(shown == cli_lines[1:], "the transient's lines: page %r, command line %r" % (shown, cli_lines[1:]))
    driver.find_element(By.ID, "keep").click()
    if os.environ.get("LIVE_PAGE_SCREENSHOT"):
        driver.execute_script("document.getElementById('transient-block').scrollIntoView()")
        driver.save_screenshot(os.environ["LIVE_PAGE_SCREENSHOT"].replace(".png", "_end.png"))

    # Twenty designs at once, each answered with its own F3.
    volumes = ["%d l" % (20 + 3 * k) for k in range(20)]
    answers = driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        Promise.all(arguments[0].map((vb, k) => api('compute', {seq: k + 1, name: 'woofer_vented.toml', text: arguments[1],
                                                                 values: {'enclosure.Vb': vb}})))
          .then(answers => done(answers.map(a => [a.seq, a.summary])));
    """, volumes, original)

    def cli_f3(k):
        path = os.path.join(work, "many%d.toml" % k)
        with open(path, "w") as f:
            f.write(with_vb(original, volumes[k]))
        return summary_value(command_line(path, os.path.join(work, "many%d" % k))[1], "F3")

    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        expected = list(pool.map(cli_f3, range(20)))
    got = [summary_value(s, "F3") for _, s in answers]
    check([seq for seq, _ in answers] == list(range(1, 21)), "each answer carries its own sequence number")
    check(got == expected, "20 concurrent designs: page F3 %r, command line %r" % (got, expected))

    # A driver named as markup shows as those characters.
    select = driver.find_element(By.ID, "file")
    for option in select.find_elements(By.TAG_NAME, "option"):
        if option.text.endswith("markup.toml"):
            option.click()
    WebDriverWait(driver, 10).until(lambda d: d.execute_script("return state.name") == "markup.toml")
    settled(driver)
    check(driver.find_element(By.ID, "k-driver-name").get_attribute("value") == markup_name,
          "the markup name as text in its field")
    check(driver.find_element(By.ID, "title").text.endswith(": " + markup_name), "the markup name as text in the title")
    driver.find_element(By.ID, "keep").click()
    check(driver.execute_script("return document.querySelectorAll('img').length") == 0, "no element made of a name")
    check(driver.execute_script("return window.alerted === undefined"), "no script ran from a name")
    refused = [e["message"] for e in driver.get_log("browser") if e.get("source") == "security"]
    check(not refused, "nothing the Content-Security-Policy refused: %r" % refused[:2])


def other_columns(driver, work, chamber):
    """A design without a loudspeaker: each of its table's columns on a chart of its own."""
    for option in driver.find_element(By.ID, "file").find_elements(By.TAG_NAME, "option"):
        if option.text.endswith("chamber_trap.toml"):
            option.click()
    WebDriverWait(driver, 10).until(lambda d: d.execute_script("return state.name") == "chamber_trap.toml")
    settled(driver)
    csv, summary, _ = command_line(chamber, os.path.join(work, "clichamber"))
    check(driver.execute_script("return state.answer.csv") == csv, "chamber_trap: the page's table is chamber_trap.csv")
    check(page_summary(driver) == summary, "chamber_trap: the page's summary is chamber_trap_summary.csv")
    titles = [e.text for e in driver.find_elements(By.CSS_SELECTOR, ".chart-block:not([hidden]) .chart-title")]
    check(titles == csv.splitlines()[0].split(",")[1:], "chamber_trap: a chart per column: %r" % titles)


if __name__ == "__main__":
    DESIGN, EXAMPLES = sys.argv[1], sys.argv[2]
    sys.exit(main())
