"""The door hot key with real key presses: Ctrl+letter registered on a real
window through the program's registration function, keys typed with xdotool
while the X focus is on that window."""
import os
import queue
import subprocess
import sys
import threading
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PROBE = sys.argv.pop(1) if len(sys.argv) > 1 and sys.argv[1].endswith('.exe') else None


def testbed_env():
    env = dict(os.environ)
    # the test bed ctest gave this test, as the end-to-end driver finds it
    sys.path.insert(0, os.path.join(ROOT, 'e2e'))
    from quelvo_e2e import desktop_slot
    desktop_slot(env)
    with open(env.get('QUELVO_TESTBED_ENV', os.path.join(ROOT, 'build', 'testbed.env'))) as f:
        for part in f.read().replace('\n', ';').split(';'):
            part = part.strip()
            if part.startswith('DISPLAY='):
                env['DISPLAY'] = part.split('=', 1)[1]
    return env


class Probe:
    def __init__(self):
        self.env = testbed_env()
        self.proc = subprocess.Popen([os.path.join(ROOT, 'scripts', 'wine-run'), PROBE],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, env=self.env, text=True,
                                     encoding='gbk', errors='replace')
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self.expect('ready', 30)

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip('\r\n'))

    def expect(self, text, timeout=5):
        end = time.time() + timeout
        while time.time() < end:
            try:
                line = self.lines.get(timeout=max(0.01, end - time.time()))
            except queue.Empty:
                break
            if line == text:
                return
            raise AssertionError('expected %r, got %r' % (text, line))
        raise AssertionError('expected %r, got nothing' % text)

    def nothing(self, wait=1.0):
        time.sleep(wait)
        self.assert_empty()

    def assert_empty(self):
        if not self.lines.empty():
            raise AssertionError('unexpected output %r' % self.lines.get())

    def send(self, line):
        self.proc.stdin.write(line + '\n')
        self.proc.stdin.flush()

    def xdotool(self, *args):
        subprocess.run(['xdotool'] + list(args), env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def focus(self):
        out = subprocess.run(['xdotool', 'search', '--name', '^Form1$'], env=self.env,
                             capture_output=True, text=True).stdout.split()
        if not out:
            raise AssertionError('the window is not on the X display')
        self.xdotool('windowfocus', '--sync', out[-1])

    def key(self, combo):
        self.focus()
        self.xdotool('key', combo)

    def close(self):
        try:
            self.send('quit')
            self.proc.wait(timeout=10)
        except Exception:
            self.proc.kill()
            self.proc.wait()
        for stream in (self.proc.stdin, self.proc.stdout):
            try:
                stream.close()
            except Exception:
                pass


class HotKey(unittest.TestCase):
    def setUp(self):
        self.probe = Probe()

    def tearDown(self):
        self.probe.close()

    def test_presses_open_close_open(self):
        p = self.probe
        p.send('register A')
        p.expect('registered A')
        p.key('ctrl+a')
        p.expect('MCI set cdaudio door open')
        p.key('ctrl+a')
        p.expect('MCI Set cdaudio door closed')
        p.key('ctrl+a')
        p.expect('MCI set cdaudio door open')

    def test_other_modifiers_do_nothing(self):
        p = self.probe
        p.send('register A')
        p.expect('registered A')
        p.key('shift+ctrl+a')
        p.key('alt+ctrl+a')
        p.key('a')
        p.nothing()
        p.key('ctrl+a')
        p.expect('MCI set cdaudio door open')

    def test_new_letter_frees_the_old_combination(self):
        p = self.probe
        p.send('register A')
        p.expect('registered A')
        p.send('tryregister A')
        p.expect('taken')
        p.send('register C')
        p.expect('registered C')
        p.send('tryregister A')
        p.expect('free')
        p.send('tryregister C')
        p.expect('taken')
        p.key('ctrl+a')
        p.nothing()
        p.key('ctrl+c')
        p.expect('MCI set cdaudio door open')


class SecondCopy(unittest.TestCase):
    def setUp(self):
        self.first = Probe()
        self.second = None

    def tearDown(self):
        for p in (self.second, self.first):
            if p:
                p.close()

    def test_registration_fails_silently_while_the_first_holds_it(self):
        self.first.send('register A')
        self.first.expect('registered A')
        self.second = Probe()
        self.second.send('register A')
        self.second.expect('registered A')  # no message, no error: it just does not work
        self.second.key('ctrl+a')
        self.first.expect('MCI set cdaudio door open')
        self.second.nothing()
        self.first.close()
        self.first = None
        self.second.key('ctrl+a')
        self.second.nothing()  # still nothing: the failed registration is not retried


if __name__ == '__main__':
    unittest.main()
