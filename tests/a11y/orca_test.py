#!/usr/bin/python3
"""A month declared by keyboard with Orca, as a blind clerk declares it.

Starts the real program and Debian's Orca on a display, session bus and accessibility bus of
their own (with speech-dispatcher writing its sound nowhere), walks a month with real keys, and
checks at each step what Orca says, as its debug log records it ("SPEECH OUTPUT" lines): the key
words that must be heard, and what must not. Every process is started here and stopped by its
PID.

usage: orca_test.py PROGRAM CREATE_DATABASE RETEN_SQL [--verbose] [--count] [--skip=N,...]

--count walks every step whatever is heard and prints how many were spoken well; --skip leaves
out the steps of those numbers (to count past a step that stops the program).
"""

import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import screen_reader_test  # noqa: E402  (the same session: display, buses, program)

ORCA = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'orca_launcher.py')


def step(keys, *heard, absent=(), then=None, within=None):
    """Keys ('type TEXT' or 'key NAMES', separated by ' / '), the words Orca must say (each a
    regular expression, matched without regard to case), those it must not, and what to do
    when the desktop raises a box of its own: (the box's title, the keys that close it). The box
    is told by its window, not by what Orca says: a busy Orca may skip it. `within`: the seconds
    Orca may take, from the keys to the last word expected; the time is printed."""
    return (keys, heard, absent, then, within)


# The walk. Amounts: 8000.50 withholds 40, 15000.00 withholds 75.
WALK = [
    step('', r'Retenciones', r'Legajo Municipal', r'Solo dígitos'),
    # Reading keys in a box: none may stop the program.
    step('type 415', r"'5 '"),
    step('key ctrl+Left', r'\b415\b'),
    step('key ctrl+Right', r'\b415\b'),
    step('key Home', r"'4'"),
    step('key Right', r"'1'"),
    step('key KP_Enter', r'Legajo Municipal', r'\b415\b'),
    # Leaving the legajo box confirms the agent found.
    step('key Tab', r'Mes Retención', r'Agente LUNA JUAN CARLOS', r'CUIT 20-43818624-8'),
    step('type 13 / key Tab', r'Information', r'error en el nro de mes'),
    step('key Return', r'Mes Retención', r"'13\.?'"),
    step('key End BackSpace BackSpace / type 10 / key Tab', r'Año Retención', r'Cuatro dígitos'),
    # The empty grid: its 500 blank rows are drawn, not read.
    step('type 2017 / key Tab', r'Retenciones cargadas, ninguna', r'table', absent=(r'500 rows',)),
    step('key Tab', r'Total Retenciones', r'read only', absent=(r'==>', r'\bselected')),
    step('key Tab', r'LIMPIA / REINICIA TODO', absent=(r'unselected',)),
    step('key Tab', r'Ayuda'),
    step('key Tab', r'Importación de Archivo'),
    step('key Tab', r'Carga Manual push button'),
    step('key space', r'CUIT Proveedor', r'11 dígitos'),
    step('type 20299853854 / key Return', r'Razón Social Proveedor', absent=(r'Razón Social +text',)),
    step('type proveedor uno / key Return', r'Fecha Retención', r'DD/MM/AAAA'),
    step('type 15102017 / key Return', r'Nro\. Comprobante Retención'),
    step('type 1001 / key Return', r'Importe Comprobante'),
    step('type 8000.50 / key Return', r'ADICIONA'),
    step('key shift+Tab', r'Importe Retención', r"'40\.?'"),
    step('key Tab', r'ADICIONA'),
    step('key Return', r'CUIT Proveedor', r'Renglón 1 agregado', r'retención 40\b', r'Total Retenciones 40\b'),
    step('type 20299853854 / key Return', r'Razón Social Proveedor'),
    step('type proveedor dos / key Return', r'Fecha Retención'),
    # A date of another month: refused, and the box read whole when the focus is back.
    step('type 01112017 / key Return', r'MES de la fecha es distinto'),
    step('key Return', r'Fecha Retención', r'01/11/2017'),
    step('key Home / type 16102017 / key Return', r'Nro\. Comprobante Retención'),
    step('type 1002 / key Return', r'Importe Comprobante'),
    step('type 2,5 / key Return', r"'2,5' is not a valid floating point value"),
    step('key Return', r'Importe Retención'),
    step('key shift+Tab', r'Importe Comprobante', r'2,5'),
    step('key End BackSpace BackSpace BackSpace / type 15000.00 / key Return', r'ADICIONA'),
    step('key shift+Tab', r'Importe Retención', r"'75\.?'"),
    step('key shift+Tab', r'Importe Comprobante', r"'15000\.00( selected)?\.?'"),
    step('key Tab', r'ADICIONA', absent=(r'unselected',)),
    step('key Return', r'Renglón 2 agregado', r'retención 75\b', r'Total Retenciones 115\b'),
    step('key shift+Tab', r'CONFIRMA'),
    # The grid: the current row on entering it, each row with its titles.
    step('key shift+Tab', r'Retenciones cargadas, 2 retenciones', r'2 rows', r'Renglón 1\b',
         r'Importe Comp\. 8000\.50', r'Importe Ret\. 40\b', absent=(r'500 rows',)),
    # Orca's flat review: the line of the current row, the next one, and past the last filled
    # row no blank rows but what lies below the grid.
    step('key KP_Up', r'Renglón 1\b', r'8000\.50', within=4),
    step('key KP_Page_Up', r'Renglón 2\b', r'15000\.00', within=4),
    step('key KP_Page_Up', r'LIMPIA / REINICIA TODO', absent=(r'Renglón',), within=4),
    step('key KP_Home', r'Renglón 2\b', within=4),
    step('key Down', r'Renglón 2\b', r'Importe Comp\. 15000\.00', r'Importe Ret\. 75\b'),
    # Past the last filled row: the table, on no row, and the row read again on the way back.
    step('key Down', r'Retenciones cargadas, 2 retenciones', absent=(r'Renglón \d', r'blank')),
    step('key Up', r'Renglón 2\b'),
    step('key Up', r'Renglón 1\b', r'Nro\.Comp\. 1001'),
    # Along the row each cell is read with its title once.
    step('key Right', r'Nro\.Comp\. 1001', absent=(r'column header', r'Nro\.Comp\.\W+Nro\.Comp\.')),
    step('key Delete', r'Renglón 1 borrado', r'Total Retenciones 75\b'),
    step('key Tab', r'CONFIRMA'),
    step('key Return', r'Confirm', r'Confirma Generar Archivo con Caracter de DDJJ'),
    step('key Return', r'SU ARCHIVOS\(TXT y PDF\)FUERON GENERADOS', r'17A00415'),
    # Orca's "read status bar".
    step('key Insert+KP_Enter Insert+KP_Enter', r'SU ARCHIVOS', r'status ?bar'),
    # The certificates: the first time, the agent's details are asked for in a window of their
    # own; a desktop without a PDF viewer says so in a box, closed here.
    step('key F8', r'Datos del agente', r'Domicilio'),
    step('type Av San Martin 123 / key Tab', r'Firmante', r'quien firma'),
    step('type Juan Perez / key Tab', r'Cargo'),
    step('type Tesorero / key Return', r'CONSTANCIAS DE RETENCIÓN \(1\) GENERADAS',
         then=('Information', 'key Return')),
    # The window of past declarations.
    step('key F7', r'Declaraciones anteriores', r'1 declaración', r'Legajo 415'),
    step('key Right', r'Período 10/2017', absent=(r'column header', r'Período\W+Período')),
    step('key Tab', r'Abrir listado'),
    step('key Tab', r'Abrir carpeta'),
    step('key Tab', r'Constancias'),
    step('key Tab', r'Constancias del año'),
    step('key Tab', r'Cerrar'),
    step('key Tab', r'Legajo', r'text'),
    step('key Escape', r'Legajo Municipal'),
]


class Orca:
    """speech-dispatcher and Orca on the session's buses; what Orca says, step by step."""

    def __init__(self, session):
        self.session = session
        env = session.env
        home = env['HOME']
        env.update(XDG_CONFIG_HOME=os.path.join(home, '.config'),
                   XDG_DATA_HOME=os.path.join(home, '.local', 'share'),
                   XDG_CACHE_HOME=os.path.join(home, '.cache'),
                   GSETTINGS_BACKEND='memory', LANG='C.UTF-8', LC_ALL='C.UTF-8',
                   SPEECHD_ADDRESS='unix_socket:' + os.path.join(session.folder, 'speechd.sock'))
        # speech-dispatcher with a configuration of its own: its dummy voice, its sound to
        # libao's null device (no sound card is needed).
        config = os.path.join(session.folder, 'speechd')
        shutil.copytree('/etc/speech-dispatcher', config)
        with open(os.path.join(config, 'speechd.conf'), 'a') as conf:
            conf.write('\nAudioOutputMethod "libao"\nDefaultModule dummy\n')
        with open(os.path.join(home, '.libao'), 'w') as libao:
            libao.write('default_driver=null\n')
        session.start(['speech-dispatcher', '--run-single', '--timeout', '0', '--config-dir', config,
                       '--socket-path', os.path.join(session.folder, 'speechd.sock'),
                       '--log-dir', session.folder])
        self.log = os.path.join(session.folder, 'orca-debug.log')
        session.start(['/usr/bin/python3', ORCA, self.log, '--user-prefs', os.path.join(home, 'orca')])
        session.wait_for(lambda: 'ORCA: Starting ATSPI registry' in self.read(), 'Orca to start', 60)
        self.position = 0

    def read(self):
        try:
            with open(self.log, encoding='utf-8', errors='replace') as log:
                return log.read()
        except FileNotFoundError:
            return ''

    def speech(self):
        """What Orca said since the last call."""
        text = self.read()
        new, self.position = text[self.position:], len(text)
        return [line.split('SPEECH OUTPUT: ', 1)[1] for line in new.splitlines() if 'SPEECH OUTPUT: ' in line]

    def listen(self, expected, quiet=0.4, seconds=6):
        """Everything said once the step is over: what was expected has been said and nothing
        more for a while, or the time is up; and when the last word expected came."""
        said = []
        end = time.monotonic() + seconds
        last = time.monotonic()
        heard = None
        while time.monotonic() < end:
            time.sleep(0.05)
            more = self.speech()
            if more:
                said += more
                last = time.monotonic()
                if heard is None and not missing(said, expected):
                    heard = last
            elif time.monotonic() - last > quiet and not missing(said, expected):
                break
        return said, heard


def missing(said, expected):
    text = '\n'.join(said)
    return [word for word in expected if not re.search(word, text, re.IGNORECASE | re.MULTILINE)]


def present(said, absent):
    text = '\n'.join(said)
    return [word for word in absent if re.search(word, text, re.IGNORECASE)]


def press(session, keys):
    for key in filter(None, (k.strip() for k in keys.split(' / '))):
        verb, _, argument = key.partition(' ')
        if verb == 'type':
            session.xdotool('type', '--delay', '15', argument)
        else:
            session.xdotool('key', '--delay', '60', *argument.split())


def active_window(session):
    found = subprocess.run(['xdotool', 'getactivewindow', 'getwindowname'], env=session.env,
                           capture_output=True, text=True)
    return found.stdout.strip() if found.returncode == 0 else None


def close_box(session, orca, title, keys):
    """The box may come a moment after the step's own words; the next keys go to whichever
    window has the keyboard, so they wait until the desktop has given it back."""
    end = time.monotonic() + 4
    while active_window(session) != title and time.monotonic() < end:
        time.sleep(0.1)
    if active_window(session) == title:
        press(session, keys)
        session.wait_for(lambda: active_window(session) not in (None, title), 'the box to close', 15)
    orca.listen([])


def walk(session, orca, verbose, count_only, skip):
    failures = []
    well = 0
    for number, (keys, expected, absent, then, within) in enumerate(WALK, 1):
        if number in skip:
            continue
        pressed = time.monotonic()
        press(session, keys)
        said, heard = orca.listen(expected, seconds=max(6, (within or 0) * 3))
        lost = missing(said, expected)
        noise = present(said, absent)
        alive = session.program.poll() is None
        took = heard - pressed if heard is not None else None
        late = within is not None and (took is None or took > within)
        if verbose:
            print('step %d %s: %s' % (number, keys or 'start', ' | '.join(said)))
        if within is not None:
            print('step %d %s: %s' % (number, keys, 'heard in %.2f s' % took if took is not None else 'not heard'))
        if not lost and not noise and alive and not late:
            well += 1
        else:
            failures.append('step %d (%s): heard %r; missing %r%s%s%s' % (
                number, keys or 'start', said, lost, '; not to be heard %r' % noise if noise else '',
                '; later than %g s' % within if late else '', '' if alive else '; the program ended'))
            if not count_only:
                break
        if then:
            close_box(session, orca, *then)
    return well, failures


def run(program, create_database, sql, verbose, count_only, skip):
    started = time.monotonic()
    session = screen_reader_test.Session(program, create_database, sql)
    failures = []
    try:
        orca = Orca(session)
        # Orca reads the window it finds at its start.
        time.sleep(1)
        well, failures = walk(session, orca, verbose, count_only, skip)
        print('%d of %d steps spoken well (%.0f s)' % (well, len(WALK) - len(skip), time.monotonic() - started))
        if session.program.poll() is not None:
            failures.append('the program ended')
    except BaseException:
        session.logs()
        raise
    finally:
        if failures and verbose:
            shutil.copy(os.path.join(session.folder, 'orca-debug.log'), 'orca-debug.log')
        session.stop()
    for failure in failures:
        print('FAIL:', failure)
    return 1 if failures else 0


def main():
    args = [a for a in sys.argv[1:] if not a.startswith('--')]
    if len(args) != 3:
        print(__doc__)
        return 2
    if os.environ.get('SCREEN_READER_TEST_SESSION') != '1':
        # A bus of its own, gone with the test.
        env = dict(os.environ, SCREEN_READER_TEST_SESSION='1')
        return subprocess.run(['dbus-run-session', '--', '/usr/bin/python3'] + sys.argv, env=env).returncode
    skip = {int(n) for a in sys.argv if a.startswith('--skip=') for n in a[len('--skip='):].split(',')}
    return run(*args, '--verbose' in sys.argv, '--count' in sys.argv, skip)


if __name__ == '__main__':
    sys.exit(main())
