#!/usr/bin/env python3
"""One table of the benchmark figures against their goals.

Reads every Google Benchmark JSON file (--benchmark_out) in the directory
given, takes the median of repetitions where there are several (else the one
run) and prints name, figure, goal and whether the goal is met.  Times are
CPU times: on a machine shared with other work they move far less than wall
times.  The render scaling row reads render_scaling.json (see
render_scaling.sh), whose times are wall times.  Never fails on a missed
goal: the table is for reading.
"""
import json
import os
import sys


def load(directory):
    runs, medians = {}, {}
    for name in sorted(os.listdir(directory)):
        if not name.endswith('.json'):
            continue
        with open(os.path.join(directory, name)) as f:
            data = json.load(f)
        for b in data.get('benchmarks', []):
            if b.get('error_occurred'):
                continue
            if b.get('run_type') == 'aggregate':
                if b.get('aggregate_name') == 'median':
                    medians[b['run_name']] = b
            else:
                runs.setdefault(b.get('run_name', b['name']), b)
    runs.update(medians)
    return runs


NS = {'ns': 1.0, 'us': 1e3, 'ms': 1e6, 's': 1e9}


def cpu_ns(runs, name):
    b = runs.get(name)
    return None if b is None else b['cpu_time'] * NS[b.get('time_unit', 'ns')]


def wall_ns(runs, name):
    b = runs.get(name)
    return None if b is None else b['real_time'] * NS[b.get('time_unit', 'ns')]


def counter(runs, name, key):
    b = runs.get(name)
    return None if b is None else b.get(key)


def ratio(a, b):
    return None if a is None or b is None or b == 0 else a / b


def rows(runs):
    """(name, figure, unit, goal text, test) for every row of the table."""
    out = []

    def time_row(label, name, goal=None):
        value = cpu_ns(runs, name)
        out.append((label, value, 'ns', '<= %g ns' % goal if goal else '-',
                    (lambda v: v <= goal) if goal else None))

    for host in ('minimal_host', 'test_host'):
        time_row('material diffuse-only, ' + host, 'BM_MaterialDiffuseOnly/' + host,
                 300 if host == 'minimal_host' else None)
        time_row('material layered, ' + host, 'BM_MaterialLayered/' + host,
                 1500 if host == 'minimal_host' else None)
    time_row('recorded test-host call', 'BM_RecordedHostCall')
    out.append(('tonemap image / scalar pow speed-up',
                ratio(cpu_ns(runs, 'BM_TransformImageScalarPow'), cpu_ns(runs, 'BM_TransformImage')), 'x',
                '>= 3', lambda v: v >= 3.0))
    out.append(('tonemap image / scalar pow, portable kernels',
                ratio(cpu_ns(runs, 'BM_TransformImageScalarPow'), cpu_ns(runs, 'BM_TransformImagePortable')), 'x',
                '-', None))
    time_row('tonemap transform_color', 'BM_TransformColor')
    time_row('sky_color (sun and haze terms from init)', 'BM_SkyColor', 115)
    time_row('sky_color, whole model per call', 'BM_SkyColorWholeModel')
    for host in ('minimal_host', 'test_host'):
        time_row('physical sky environment, ' + host, 'BM_PhysicalSkyEnvironment/' + host,
                 200 if host == 'minimal_host' else None)
        time_row('CIE sky, ' + host, 'BM_CieSky/' + host, 80 if host == 'minimal_host' else None)
    for blur in ('blur0_1', 'blur5', 'blur1000'):
        for host in ('minimal_host', 'test_host'):
            time_row('envblur look-up %s, %s' % (blur, host), 'BM_EnvBlurLookup_%s/%s' % (blur, host))
    time_row('portal light sample, test host', 'BM_PortalLightSample')
    out.append(('primary rays hit fraction', counter(runs, 'BM_PrimaryRays100kTriangles', 'hit_fraction'), '',
                '>= 0.5', lambda v: v >= 0.5))
    overhead = ratio(cpu_ns(runs, 'BM_PrimaryRays100kTriangles'), cpu_ns(runs, 'BM_PrimaryRays100kTrianglesBareEmbree'))
    out.append(('tracer wrapper over bare Embree', None if overhead is None else (overhead - 1) * 100, '%',
                '<= 10 %', lambda v: v <= 10.0))
    rate = counter(runs, 'BM_DefaultSceneShadedSamples', 'items_per_second')
    out.append(('default scene, one shaded camera sample', None if not rate else 1e9 / rate, 'ns', '-', None))
    out.append(('render 2 threads vs 1 (wall)',
                ratio(wall_ns(runs, 'render_default/threads:1'), wall_ns(runs, 'render_default/threads:2')), 'x',
                '>= 1.85', lambda v: v >= 1.85))
    out.append(('render CPU time 1 thread / 2 threads',
                ratio(cpu_ns(runs, 'render_default/threads:1'), cpu_ns(runs, 'render_default/threads:2')), '',
                '-', None))
    return out


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else 'build/bench'
    runs = load(directory)
    table = []
    for label, value, unit, goal, test in rows(runs):
        if value is None:
            figure, met = 'not run', '-'
        else:
            figure = ('%.3g %s' % (value, unit)).strip()
            met = '-' if test is None else ('yes' if test(value) else 'NO')
        table.append((label, figure, goal, met))
    widths = [max(len(r[i]) for r in table + [('name', 'figure', 'goal', 'met')]) for i in range(4)]
    line = '  '.join('%-*s' % (w, h) for w, h in zip(widths, ('name', 'figure', 'goal', 'met')))
    print(line)
    print('-' * len(line))
    for r in table:
        print('  '.join('%-*s' % (w, c) for w, c in zip(widths, r)))
    print('(medians of repetitions, CPU time unless marked wall; the machine may be shared)')


if __name__ == '__main__':
    main()
