"""tav-core and a headless Chromium for tests that drive a page as a person
does. Debian's chromium and chromium-driver, through Debian's selenium; no
browser is ever downloaded.

    with TavCore(core_path, data_dir, folder) as core, HeadlessChromium(artifacts) as browser:
        browser.open(core.url)
        browser.wait_for(lambda: browser.find_all('.card'), 'the pages')
        browser.screenshot('book')
"""

import os
import re
import signal
import subprocess
import tempfile
import time

from selenium import webdriver
from selenium.common.exceptions import StaleElementReferenceException, WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

CHROMIUM = os.environ.get('TAV_CHROMIUM', '/usr/bin/chromium')
CHROMEDRIVER = os.environ.get('TAV_CHROMEDRIVER', '/usr/bin/chromedriver')
# Without the flags that stop Chromium's own background traffic, its
# connections are refused on a machine without a network and it stalls.
CHROMIUM_FLAGS = [
    '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--disable-dev-shm-usage',
]
DEFAULT_WAIT_SECONDS = 15


def wait_until(condition, what, seconds=DEFAULT_WAIT_SECONDS, interval=0.05):
    """Polls `condition` until it gives a true value, and returns that value;
    fails naming `what` after `seconds`. A page redrawn meanwhile is polled
    again."""
    deadline = time.monotonic() + seconds
    last_error = None
    while time.monotonic() < deadline:
        try:
            value = condition()
            if value:
                return value
        except (StaleElementReferenceException, WebDriverException) as error:
            last_error = error
        time.sleep(interval)
    raise AssertionError(f'timed out after {seconds} s waiting for {what}' +
                         (f' (last error: {last_error})' if last_error else ''))


class TavCore:
    """tav-core on 127.0.0.1 with its own store in `folder`. The first start
    takes a free port; later starts keep it, so that a page open on it sees
    the same address come back."""

    def __init__(self, core_path, data_dir, folder, extra=()):
        self.core_path = core_path
        self.data_dir = data_dir
        self.store = os.path.join(folder, 'settings.sqlite3')
        self.log_path = os.path.join(folder, 'tav-core.log')
        self.extra = list(extra)
        self.port = 0
        self.process = None

    @property
    def url(self):
        return f'http://127.0.0.1:{self.port}/'

    def start(self):
        arguments = [self.core_path, '--port', str(self.port), '--data', self.data_dir, '--store', self.store,
                     '--quiet', *self.extra]
        log = open(self.log_path, 'ab')
        self.process = subprocess.Popen(arguments, stdout=subprocess.PIPE, stderr=log, text=True)
        log.close()
        # The first line says where it serves: "tav-core: serving http://127.0.0.1:PORT/ (...)".
        line = self.process.stdout.readline()
        found = re.search(r'serving http://127\.0\.0\.1:(\d+)/', line)
        if not found:
            self.process.wait(timeout=10)
            with open(self.log_path, encoding='utf-8', errors='replace') as text:
                raise AssertionError(f'tav-core did not start: {line!r}\n{text.read()}')
        self.port = int(found.group(1))
        return self

    def kill(self):
        """Ends it at once, as a crash would."""
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait(timeout=10)
        self._close()

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.kill()
        self._close()

    def _close(self):
        if self.process and self.process.stdout:
            self.process.stdout.close()

    def __enter__(self):
        return self.start()

    def __exit__(self, *error):
        self.stop()


class HeadlessChromium:
    """One Chromium with a fresh profile. Screenshots go to `artifacts`."""

    def __init__(self, artifacts, width=1280, height=800):
        self.artifacts = artifacts
        self.size = (width, height)
        self.profile = tempfile.TemporaryDirectory(prefix='tav-chromium-')
        self.driver = None

    def __enter__(self):
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in CHROMIUM_FLAGS:
            options.add_argument(flag)
        options.add_argument(f'--user-data-dir={self.profile.name}')
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        self.resize(*self.size)
        os.makedirs(self.artifacts, exist_ok=True)
        return self

    def __exit__(self, *error):
        if self.driver:
            self.driver.quit()
        self.profile.cleanup()

    def resize(self, width, height):
        """Makes the page's viewport `width` x `height`, whatever the window frame takes."""
        self.driver.set_window_size(width, height)
        inner = self.driver.execute_script('return [window.innerWidth, window.innerHeight]')
        self.driver.set_window_size(2 * width - inner[0], 2 * height - inner[1])

    def open(self, url):
        self.driver.get(url)

    def find(self, selector, within=None):
        return (within or self.driver).find_element(By.CSS_SELECTOR, selector)

    def find_all(self, selector, within=None):
        return (within or self.driver).find_elements(By.CSS_SELECTOR, selector)

    def by_label(self, text, within=None):
        """The control a <label> with exactly this text names."""
        label = (within or self.driver).find_element(By.XPATH, f'.//label[normalize-space()="{text}"]')
        target = label.get_attribute('for')
        return self.driver.find_element(By.ID, target) if target else label.find_element(By.XPATH, './/input')

    def button(self, text, within=None):
        """The enabled-or-not button whose label (aria-label, else text) is `text`."""
        scope = within or self.driver
        return scope.find_element(
            By.XPATH, f'.//button[@aria-label="{text}" or (not(@aria-label) and normalize-space()="{text}")]')

    def click(self, label, within=None):
        """Clicks the button `label` names, finding it again should the page
        redraw it between finding and clicking."""
        def press():
            self.button(label, within() if within else None).click()
            return True
        return wait_until(press, f'the button {label!r}')

    def wait_for(self, condition, what, seconds=DEFAULT_WAIT_SECONDS):
        return wait_until(condition, what, seconds)

    def script(self, source, *arguments):
        return self.driver.execute_script(source, *arguments)

    def screenshot(self, name):
        path = os.path.join(self.artifacts, f'{name}.png')
        self.driver.save_screenshot(path)
        return path

    def console_errors(self):
        """What the page reported as errors: scripts that failed, policy
        violations. A resource answered with an error status is the test's
        business, not the page's, and is left out."""
        return [entry['message'] for entry in self.driver.get_log('browser')
                if entry['level'] == 'SEVERE' and entry.get('source') != 'network']
